"""``python -m wqspec ARGS`` runs the program ``wqspec ARGS``: the one
installed with the package (its bin/ folder, put there by ``pip install``),
else the one of the build tree the package was built in, else ``wqspec`` on
PATH. The ``wqspec`` and ``wqplot`` commands a pip install makes run the
program and the plotter the same way.

    $ python3 -m wqspec --version
    $ python3 -m wqspec batch water.csv --out si.csv
"""
import os
import shutil
import sys
from typing import List, NoReturn, Optional

HERE = os.path.dirname(os.path.abspath(__file__))


def command(name: str) -> Optional[str]:
    """The path of the program `name` (wqspec, wqplot) that goes with this
    package: its own bin/ (a pip install), the build tree's (<build>/python/wqspec
    is the package there, <build>/wqspec the program), the install prefix's
    (<prefix>/lib/python3.X/site-packages/wqspec, <prefix>/bin), else the one
    on PATH."""
    build = os.path.dirname(os.path.dirname(HERE))
    prefix = os.path.dirname(os.path.dirname(build))
    for candidate in (os.path.join(HERE, "bin", name), os.path.join(build, name), os.path.join(prefix, "bin", name)):
        if os.path.isfile(candidate) and os.access(candidate, os.X_OK):
            return candidate
    return shutil.which(name)


def execute(name: str, arguments: List[str]) -> NoReturn:
    """The process becomes the program `name` with `arguments`."""
    path = command(name)
    if path is None:
        print(f"wqspec: the program {name} is neither installed with the package nor on PATH", file=sys.stderr)
        sys.exit(2)
    sys.stdout.flush()
    sys.stderr.flush()
    os.execv(path, [path, *arguments])


def run_program() -> NoReturn:
    """The ``wqspec`` command."""
    execute("wqspec", sys.argv[1:])


def run_plotter() -> NoReturn:
    """The ``wqplot`` command."""
    execute("wqplot", sys.argv[1:])


if __name__ == "__main__":
    run_program()

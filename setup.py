"""The build of the Python package by pip (``pip install .``, ``python3 -m
build``): the extension, the program and the bundled data come from the
project's own CMake build, so that the package computes what the program
computes, to every digit; setuptools only puts them into the wheel.

The wheel holds, inside the package: the extension ``_core``, the program
``bin/wqspec`` and the plotter ``bin/wqplot`` (run by ``python -m wqspec``
and the ``wqspec`` and ``wqplot`` commands), and ``share/wqspec/`` (the
databases and the batch example's template), where the installed program
and ``wqspec.bundled_database()`` find them.

Environment: WQSPEC_BUILD_DIR, a configured and built CMake tree to take
them from instead of building one (the tests reuse theirs); WQSPEC_CMAKE_ARGS,
more arguments for the configure step (a compiler launcher, say)."""
import glob
import os
import re
import shlex
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))


def project_version():
    """The VERSION of project() in the top CMakeLists.txt, the one place it is set."""
    with open(os.path.join(HERE, "CMakeLists.txt"), encoding="utf-8") as cmake:
        found = re.search(r"project\(\s*wqspec\s+VERSION\s+([0-9][0-9.]*)", cmake.read())
    if not found:
        sys.exit("setup.py: no VERSION in project() of CMakeLists.txt")
    return found.group(1)


def run(command):
    print("+", " ".join(shlex.quote(part) for part in command), flush=True)
    subprocess.run(command, check=True)


class CMakeBuild(build_ext):
    """The extension, the program and the data as the project's CMake builds
    and installs them, copied into the package."""

    def build_extension(self, ext):
        tree = os.environ.get("WQSPEC_BUILD_DIR") or self.cmake_build()
        prefix = os.path.abspath(os.path.join(self.build_temp, "prefix"))
        shutil.rmtree(prefix, ignore_errors=True)
        run(["cmake", "--install", tree, "--prefix", prefix, "--strip"])
        built = glob.glob(os.path.join(prefix, "lib", "python3*", "site-packages", "wqspec", "_core*.so"))
        if len(built) != 1:
            sys.exit(f"setup.py: the install of {tree} has no one _core extension (found {built})")
        target = self.get_ext_fullpath(ext.name)
        package = os.path.dirname(target)
        os.makedirs(package, exist_ok=True)
        shutil.copy2(built[0], target)
        os.makedirs(os.path.join(package, "bin"), exist_ok=True)
        for program in ("wqspec", "wqplot", "wqplot_common.py", "wqplot_path.py", "wqplot_sweep.py", "wqdiagrams.py"):
            shutil.copy2(os.path.join(prefix, "bin", program), os.path.join(package, "bin", program))
        share = os.path.join(package, "share", "wqspec")
        shutil.rmtree(share, ignore_errors=True)
        shutil.copytree(os.path.join(prefix, "share", "wqspec"), share)

    def cmake_build(self):
        tree = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        run(["cmake", "-S", HERE, "-B", tree, "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DWQSPEC_TESTS=OFF",
             "-DWQSPEC_BENCH=OFF", "-DWQSPEC_PYTHON=ON", f"-DPython_EXECUTABLE={sys.executable}",
             *shlex.split(os.environ.get("WQSPEC_CMAKE_ARGS", ""))])
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
        run(["cmake", "--build", tree, "--target", "wqspec", "wqspec_python", "-j", jobs])
        return tree


setup(
    version=project_version(),
    packages=["wqspec"],
    package_dir={"wqspec": "python/wqspec"},
    package_data={"wqspec": ["py.typed", "_core.pyi"]},
    ext_modules=[Extension("wqspec._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)

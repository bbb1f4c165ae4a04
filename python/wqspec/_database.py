"""The databases of the package: those it ships with, found beside the
installed package or in a clone, and a database read once per process."""
import os
import sys
from typing import Any, Dict, Optional, Tuple, Union

from . import _core
from ._shared import DEFAULT_ACTIVITY, InputError, PathLike

DATABASE_NAME = "LOGKDATA.KDB"
TEMPLATE_NAME = "WQCASE.DAT"
# The activity models that come with a database of their own (the others
# run on the bundled one), and its place below the shared data.
MODEL_DATABASES: Dict[str, Tuple[str, ...]] = {"pitzer": ("pitzer", DATABASE_NAME)}


def _bundled(installed: Tuple[str, ...], in_clone: Tuple[str, ...]) -> str:
    """A file shipped with the program: share/wqspec/<installed...> of the
    install prefix, or <in_clone...> of a clone, found from the package
    upwards (the package sits in <prefix>/lib/pythonX.Y/site-packages/wqspec,
    or in <clone>/build/<dir>/python/wqspec when built in a clone)."""
    # The package's folder (that of its __init__), where it is installed.
    here = os.path.dirname(os.path.abspath(sys.modules[__package__].__file__ or __file__))
    folder = here
    while True:
        for candidate in (os.path.join(folder, "share", "wqspec", *installed), os.path.join(folder, *in_clone)):
            if os.path.isfile(candidate):
                return candidate
        parent = os.path.dirname(folder)
        if parent == folder:
            break
        folder = parent
    candidate = os.path.join(sys.prefix, "share", "wqspec", *installed)
    if os.path.isfile(candidate):
        return candidate
    name = "/".join(installed)
    raise InputError(f"no bundled {name} found above {here} or in {sys.prefix}/share/wqspec; give its path")


def bundled_database(activity: str = DEFAULT_ACTIVITY) -> str:
    """The path of the database the program ships with for an activity
    model: LOGKDATA.KDB for B-dot (and any model without a database of its
    own), pitzer/LOGKDATA.KDB, with its PITZER.DAT beside it, for Pitzer.

    >>> import os, wqspec
    >>> os.path.basename(wqspec.bundled_database("pitzer"))
    'LOGKDATA.KDB'
    """
    where = MODEL_DATABASES.get(activity, (DATABASE_NAME,))
    return _bundled(where, ("examples", *where))


def bundled_template() -> str:
    """The path of the batch example's template run input (no default: give
    it as ``case=`` to run a table as ``examples/batch`` does): 25 C on the
    saturation curve, minerals and gases, a loop limit of 300, the Na-K-Ca
    temperature.

    >>> import wqspec
    >>> table = wqspec.speciate({"name": "w", "T [C]": 25, "pH": 7, "Na+ [mg/L]": 10, "Cl- [mg/L]": 15},
    ...                         case=wqspec.bundled_template())
    """
    return _bundled((TEMPLATE_NAME,), ("examples", "batch", TEMPLATE_NAME))


class Database:
    """A database read and checked once; every run given it shares it.
    Without a path, the bundled one (B-dot); ``Database(bundled_database("pitzer"))``
    is the Pitzer one, whose activity model reads its PITZER.DAT beside it.

    >>> import wqspec
    >>> database = wqspec.Database()        # the bundled one, read once
    >>> table = wqspec.speciate({"name": "w", "T [C]": 25, "pH": 7, "Na+ [mg/L]": 10}, database=database)
    """

    def __init__(self, path: Optional[PathLike] = None) -> None:
        self.path = os.path.abspath(os.fspath(path)) if path is not None else bundled_database()
        try:
            self._core = _core.Database(self.path)
        except _core.InputFault as e:
            raise InputError(str(e)) from None

    def __repr__(self) -> str:
        return f"wqspec.Database({self.path!r})"

    def __reduce__(self) -> Tuple[Any, Tuple[str]]:
        # To another process (a Dask worker) by its path; read there once.
        return (_database, (self.path,))


# The databases read in this process, by path: a process (a Dask worker)
# reads each once.
_DATABASES: Dict[str, "Database"] = {}


def _database(database: Union["Database", PathLike, None], activity: str = DEFAULT_ACTIVITY) -> "Database":
    if isinstance(database, Database):
        return database
    path = os.path.abspath(os.fspath(database)) if database is not None else bundled_database(activity)
    if path not in _DATABASES:
        _DATABASES[path] = Database(path)
    return _DATABASES[path]



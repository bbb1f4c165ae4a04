"""The options of every call: those every front end shares, described once
in the core's table (their flags, defaults and help are the command line's),
and the batch's own; checked and converted to the texts the core takes."""
import functools
import inspect
import numbers
import os
import textwrap
from typing import Any, Callable, Dict, Iterable, List, Optional, TypeVar, Union

from . import _core


# A path as a text or an os.PathLike; names as a text "A,B" or a list of texts.
PathLike = Union[str, "os.PathLike[str]"]
Names = Union[str, Iterable[str], None]
F = TypeVar("F", bound=Callable[..., Any])


class InputError(ValueError):
    """A table, template, database or option the program refuses; the
    message names the row (by the table's index) and the column where it
    can.

    >>> import wqspec
    >>> try:
    ...     wqspec.speciate({"name": "w", "T [C]": 25, "Ca++ [mg/L]": "lots"})
    ... except wqspec.InputError as fault:
    ...     print(fault)
    row 0, column "Ca++ [mg/L]": ...
    """


# The options every call shares, described once in the core, as the command
# line of every subcommand is made from them: keyword -> its flag, default
# (the core's), kind ("text", "names": a text or a list of texts, "database")
# and help. The database is a Database or a path, which each call takes
# apart.
SHARED_OPTIONS: Dict[str, Dict[str, Any]] = {entry["keyword"]: entry for entry in _core.model_options()}


# The activity model of a call that names none.
DEFAULT_ACTIVITY: str = SHARED_OPTIONS["activity"]["default"]


def _shared_options_help() -> str:
    """The shared options but the database (which the package's help says in
    its own words) as the help lists them: keyword, flag, the command line's
    words."""
    entries = []
    for keyword, entry in SHARED_OPTIONS.items():
        if entry["kind"] != "database":
            text = f"{keyword:<9} {entry['help']} (``{entry['flag']}``)."
            entries.append(textwrap.fill(text, 78, initial_indent="    ", subsequent_indent=" " * 14,
                                         break_on_hyphens=False))
    return "\n".join(entries) + "\n"


def _names(option: str, value: Names) -> str:
    """A list option as the command line takes it: a text as it is, a list
    of names joined with commas, None empty."""
    if value is None:
        return ""
    if isinstance(value, str):
        return value
    try:
        names = list(value)
    except TypeError:
        raise TypeError(f"{option}={value!r}: a text or a list of texts") from None
    if not all(isinstance(name, str) for name in names):
        raise TypeError(f"{option}={value!r}: a text or a list of texts")
    return ",".join(names)


def _text(option: str, value: object) -> str:
    if not isinstance(value, str):
        raise TypeError(f"{option}={value!r}: a text")
    return value


def _jobs(jobs: Optional[int]) -> str:
    if jobs is None:
        return ""
    if isinstance(jobs, bool) or not isinstance(jobs, numbers.Integral) or jobs < 1:
        raise InputError(f"jobs={jobs!r}: the number of worker threads is a whole number from 1")
    return str(int(jobs))


# Every column (--all), or the compact set the command line writes by default.
ALL_COLUMNS = None
COMPACT_COLUMNS = "compact"


def _shared_default(entry: Dict[str, Any]) -> Optional[str]:
    """A shared option's default as a keyword shows it: None for none given."""
    return entry["default"] if entry["default"] else None


# The hint of a shared keyword by its kind (a database is a Database or a
# path, which the package's own signatures say).
_HINTS: Dict[str, Any] = {"text": Optional[str], "names": Names, "database": Any}


def _taking_shared_options(*others: str) -> Callable[[F], F]:
    """`function(..., **options)` takes the shared options as keywords (and
    `others`, which it checks itself): any other keyword is refused as Python
    refuses one, and its signature (help()) shows them with their defaults."""
    def wrap(function: F) -> F:
        signature = inspect.signature(function)
        own = [p for p in signature.parameters.values() if p.kind is not inspect.Parameter.VAR_KEYWORD]
        shared = [inspect.Parameter(keyword, inspect.Parameter.KEYWORD_ONLY, default=_shared_default(entry),
                                    annotation=_HINTS[entry["kind"]])
                  for keyword, entry in SHARED_OPTIONS.items() if keyword not in signature.parameters]
        rest = [inspect.Parameter("options", inspect.Parameter.VAR_KEYWORD)] if others else []
        known = set(signature.parameters) | set(SHARED_OPTIONS) | set(others)

        @functools.wraps(function)
        def call(*args: Any, **keywords: Any) -> Any:
            unknown = [keyword for keyword in keywords if keyword not in known]
            if unknown:
                raise TypeError(f"{function.__name__}() got an unexpected keyword argument {unknown[0]!r}")
            return function(*args, **keywords)

        call.__signature__ = signature.replace(parameters=own + shared + rest)  # type: ignore[attr-defined]
        return call  # type: ignore[return-value]
    return wrap


def _shared_values(given: Dict[str, Any]) -> Dict[str, str]:
    """The shared options but the database as the core takes them, texts,
    from the keywords given (None, or not given: the default)."""
    values: Dict[str, str] = {}
    for keyword, entry in SHARED_OPTIONS.items():
        value = given.get(keyword)
        if entry["kind"] == "database":
            continue
        if value is None:
            values[keyword] = entry["default"]
        elif entry["kind"] == "names":
            values[keyword] = _names(keyword, value)
        else:
            values[keyword] = _text(keyword, value)
    return values


def _options(case: Optional[PathLike] = None, columns: Names = ALL_COLUMNS, jobs: Optional[int] = None,
             shared: Optional[Dict[str, Any]] = None) -> Any:
    """The batch's options (the names of its command line, wqspec batch --help)."""
    o = _core.BatchOptions()
    o.case = os.path.abspath(os.fspath(case)) if case is not None else ""
    for keyword, value in _shared_values(shared or {}).items():
        setattr(o, keyword, value)
    if columns is ALL_COLUMNS:
        o.all_columns = True
    elif not (isinstance(columns, str) and columns == COMPACT_COLUMNS):
        o.columns = _names("columns", columns)
        if not o.columns.strip():
            raise InputError("columns: no column named (None: every column, 'compact': the batch's default set)")
    o.jobs = _jobs(jobs)
    return o

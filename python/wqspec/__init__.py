"""wqspec from Python: tables of water analyses in, pandas tables out.

The waters run exactly as ``wqspec batch`` runs them, on the same C++ core:
the same column names and units (``name``, ``T [C]``, ``pH``,
``Ca++ [mg/L]``, ``alkalinity [mg/L as CaCO3]``, ...), the same options and
the same records. The table alone is the water: its columns are its
components (H+ and H2O added), computed as analysed unless ``balance=`` asks
for a charge balance. ::

    import wqspec
    table = wqspec.speciate([{"name": "spring", "T [C]": 22, "pH": 7.2, "Ca++ [mg/L]": 45, ...}])
    table["SI(Calcite)"]

``speciate`` gives one row per water with every column of the batch's CSV
records (``wqspec batch --all``; ``columns=`` chooses, as ``--columns``
does), numbers as floats (the very values the CSV prints with 17 digits),
``status`` per row. ``speciate_one`` gives a ``Result`` with the water's
species, minerals, gases and totals as tables and ``to_dict()``, the batch's
JSON record. ``sweep`` computes one water over a range of temperatures and
estimates the reservoir temperature; ``evaporate`` and ``react`` take a
water along a path (an evaporation; mixing, titrating, equilibrating with
minerals and gases, heating). ``wqspec.dask.speciate`` spreads a Dask
DataFrame over a cluster.

The options every call takes, as the batch's command line says them:

    database  a Database or the path of one (default: the database the
              program ships with for the activity model).
    case      a template run input (``--case``): options and starting values
              only, never components, pH or alkalinity (default None: the
              table alone, with the batch's default options).

and those every front end shares, keywords (a list of texts too where the
command line takes NAME,NAME), in the words of ``wqspec batch --help``:

"""
import json
import sys
from typing import Any, Dict, List, Optional, Sequence, Tuple, Union

import numpy
import pandas

from . import _core
from ._database import _DATABASES, Database, _database, bundled_database, bundled_template  # noqa: F401
from ._frames import Waters, _as_frame, _row_message, _rows_named, _table_of
from ._paths import evaporate, sweep
from ._progress import progress_of
from ._react import Reaction, react
from ._result import Result
from ._shared import (ALL_COLUMNS, COMPACT_COLUMNS, DEFAULT_ACTIVITY, SHARED_OPTIONS, InputError,  # noqa: F401
                      Names, PathLike, _options, _shared_options_help, _taking_shared_options)

# The program's version, the one of its build (the VERSION of project() in
# the top CMakeLists.txt, compiled into the core).
__version__: str = _core.__version__

# A shared option's value: a text, or names as a list of texts.
OptionValue = Union[str, Sequence[str], None]

# Their public names are the package's.
InputError.__module__ = Result.__module__ = __name__
__doc__ += _shared_options_help()

__all__ = ["Database", "InputError", "Result", "speciate", "speciate_one", "sweep", "evaporate", "react", "Reaction",
           "bundled_database", "bundled_template", "result_columns", "__version__"]


def _run(table: Waters, database: Union[Database, PathLike, None], options: Any, detail: bool, errors: str,
         verbose: bool, progress: bool) -> Tuple[Dict[str, Any], pandas.Index]:
    if errors not in ("raise", "status"):
        raise ValueError(f"errors={errors!r}: 'raise' (a row with a fault raises InputError) or 'status'")
    frame = _as_frame(table)
    cells = _table_of(frame)
    db = _database(database, options.activity)
    bar = progress_of(progress, "waters", "water")
    try:
        out = _core.run_table(cells, options, db._core, bool(detail), bar)
    except _core.InputFault as e:
        raise InputError(str(e)) from None
    finally:
        if bar:
            bar.close()
    labels = frame.index[out["rows"]]
    if verbose:
        for note in out["notes"]:
            print(f"wqspec: {note}", file=sys.stderr)
    if errors == "raise" and out["first_fault"] is not None:
        k, fault = out["first_fault"]
        raise InputError(_row_message(fault, labels[k]))
    if "status" in out["text_columns"]:
        _rows_named(out["texts"][out["text_columns"].index("status")], labels)
    return out, labels


def _frame_of(out: Dict[str, Any], labels: pandas.Index) -> pandas.DataFrame:
    data: Dict[str, Any] = {}
    numbers_ = out["numbers"]
    numeric = {name: k for k, name in enumerate(out["numeric_columns"])}
    text = {name: k for k, name in enumerate(out["text_columns"])}
    for name in out["header"]:
        if name in numeric:
            data[name] = numbers_[:, numeric[name]]
        else:
            data[name] = numpy.array(out["texts"][text[name]], dtype=object)
    return pandas.DataFrame(data, index=labels, columns=out["header"], copy=False)


def _reading(o: Any, below_detection: Any, strict: Any, density: Any) -> Any:
    """The batch's options `o` with how its table is read: --below-detection,
    --strict and --density (None: none given)."""
    o.below_detection = str(below_detection)
    o.strict = bool(strict)
    o.density = "" if density is None else repr(float(density))
    return o


@_taking_shared_options()
def speciate(table: Waters, database: Union[Database, PathLike, None] = None, jobs: Optional[int] = None,
             case: Optional[PathLike] = None, columns: Names = ALL_COLUMNS, detail: bool = False,
             errors: str = "raise", verbose: bool = False, progress: bool = True,
             below_detection: Any = "omit", strict: Any = False, density: Any = None,
             **options: OptionValue) -> Any:
    """Every water of `table` as ``wqspec batch`` computes it.

    table     a pandas.DataFrame, a list of dicts or one dict: one water per
              row, the batch's column names and units (``name`` and ``T [C]``
              required); a missing value (NaN, None) is a blank cell, a
              component absent from that water.
    database, case, balance, activity, redox, decouple, suppress, ph_scale
              as the batch's options (see the package's help): the bundled
              database, no template, no charge balance, B-dot, no redox
              state, the MacInnes pH scale by default.
    jobs      worker threads (default: the number of cores).
    columns   None (default): every column of the records, as
              ``wqspec batch --all`` writes them (a DataFrame is cheaply
              sliced afterwards); ``"compact"``: the batch's default set;
              else names and patterns as ``--columns`` takes them, a text
              (``"name,status,pH,SI(*)"``) or a list, in that order (name
              ``name`` and ``status`` if you want them).
    detail    True: a list of Result, one per water, instead of the table.
    errors    'raise': a row with a fault (a cell that is not a number, a
              negative amount) raises InputError naming its row (by its
              index label: ``row 'b'``, ``row 3``) and column; 'status': its
              row says why in ``status``, as in the batch, naming the row the
              same way.
    verbose   print the batch's notes (rows passed over, threads) on stderr.
    progress  a progress bar once the call has run for a few seconds
              (python3-tqdm's, when installed); False: none.
    below_detection, strict, density
              as the batch's --below-detection (a cell "<0.01", "ND",
              "n.d.", "-", "<DL", "BDL": omit, zero, half, limit or fail),
              --strict (a column nothing computes refused instead of
              carried through to the table) and --density (kg/L).

    Returns a DataFrame indexed as the table (rows of blank cells only are no
    water and are left out), with the columns of the batch's CSV records:
    numbers as floats (NaN where the CSV cell is empty), the text columns
    (``name``, ``status``, ``Eh couple``, ``balanced on``, ``notes``,
    ``activity model``, ``redox``) as text. The GIL is released while the
    workers compute. Ctrl-C stops them at once: the waters in progress end,
    no other is begun, and KeyboardInterrupt is raised with no thread left
    running.

    >>> import wqspec
    >>> spring = {"name": "spring", "T [C]": 22, "pH": 7.2, "Ca++ [mg/L]": 45, "Na+ [mg/L]": 9,
    ...           "Cl- [mg/L]": 11, "HCO3- [mg/L]": 146}
    >>> table = wqspec.speciate(spring)
    >>> table.loc[0, "status"]
    'converged'
    """
    o = _reading(_options(case, columns, jobs, options), below_detection, strict, density)
    out, labels = _run(table, database, o, detail, errors, verbose, progress)
    if detail:
        records = [json.loads(record) for record in out["json"]]
        for record, label in zip(records, labels):
            record["status"] = _row_message(record["status"], label)
        return [Result(record) for record in records]
    return _frame_of(out, labels)


@_taking_shared_options()
def speciate_one(water: Waters, database: Union[Database, PathLike, None] = None, case: Optional[PathLike] = None,
                 errors: str = "raise", verbose: bool = False, **options: OptionValue) -> Result:
    """One water (a dict, or a one-row DataFrame or Series) in full: a
    Result. The options are speciate's.

    >>> import wqspec
    >>> water = wqspec.speciate_one({"name": "w", "T [C]": 25, "pH": 7, "Na+ [mg/L]": 10, "Cl- [mg/L]": 15})
    >>> water.species.loc["Na+", "gamma"] < 1
    True
    """
    frame = _as_frame(water)
    if len(frame) != 1:
        raise InputError(f"speciate_one takes one water; the table has {len(frame)} rows")
    results = speciate(frame, database=database, jobs=1, case=case, detail=True, errors=errors, verbose=verbose,
                       progress=False, **options)
    if not results:
        raise InputError("the water's row has blank cells only")
    return results[0]


def _record_header(table: Waters, database: Union[Database, PathLike, None], options: Any) -> Dict[str, Any]:
    cells = _table_of(_as_frame(table))
    try:
        header: Dict[str, Any] = _core.record_header(cells, options, _database(database, options.activity)._core)
        return header
    except _core.InputFault as e:
        raise InputError(str(e)) from None


@_taking_shared_options()
def result_columns(table: Waters, database: Union[Database, PathLike, None] = None, case: Optional[PathLike] = None,
                   columns: Names = ALL_COLUMNS, below_detection: Any = "omit", strict: Any = False,
                   density: Any = None, **options: OptionValue) -> List[str]:
    """The columns ``speciate`` gives for `table` with these options,
    computed without any water: the table's columns name them, and its rows
    only say whether some water has a redox state of its own (an ``Eh [V]``,
    ``pe``, ``O2(g) [log f]`` or ``redox`` cell), which adds the redox
    columns. below_detection, strict and density are speciate's (with
    strict, a column nothing computes is refused here too).

    >>> import wqspec
    >>> wqspec.result_columns({"name": "w", "T [C]": 25, "pH": 7, "Na+ [mg/L]": 10}, columns="name,status,pH")
    ['name', 'status', 'pH']
    """
    o = _reading(_options(case, columns, shared=options), below_detection, strict, density)
    names: List[str] = _record_header(table, database, o)["header"]
    return names




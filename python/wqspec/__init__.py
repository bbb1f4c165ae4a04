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
estimates the reservoir temperature. ``wqspec.dask.speciate`` spreads a Dask
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
import io
import json
import math
import numbers
import os
import re
import sys

import numpy
import pandas

from . import _core
from ._result import Result
from ._shared import (ALL_COLUMNS, COMPACT_COLUMNS, DEFAULT_ACTIVITY, SHARED_OPTIONS, InputError,  # noqa: F401
                      _names, _options, _shared_options_help, _taking_shared_options, _text)

# Their public names are the package's.
InputError.__module__ = Result.__module__ = __name__
__doc__ += _shared_options_help()

__all__ = ["Database", "InputError", "Result", "speciate", "speciate_one", "sweep",
           "bundled_database", "bundled_template", "result_columns"]

DATABASE_NAME = "LOGKDATA.KDB"
TEMPLATE_NAME = "WQCASE.DAT"
# The activity models that come with a database of their own (the others
# run on the bundled one), and its place below the shared data.
MODEL_DATABASES = {"pitzer": ("pitzer", DATABASE_NAME)}


def _bundled(installed, in_clone):
    """A file shipped with the program: share/wqspec/<installed...> of the
    install prefix, or <in_clone...> of a clone, found from the package
    upwards (the package sits in <prefix>/lib/pythonX.Y/site-packages/wqspec,
    or in <clone>/build/<dir>/python/wqspec when built in a clone)."""
    here = os.path.dirname(os.path.abspath(__file__))
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


def bundled_database(activity=DEFAULT_ACTIVITY):
    """The path of the database the program ships with for an activity
    model: LOGKDATA.KDB for B-dot (and any model without a database of its
    own), pitzer/LOGKDATA.KDB, with its PITZER.DAT beside it, for Pitzer."""
    where = MODEL_DATABASES.get(activity, (DATABASE_NAME,))
    return _bundled(where, ("examples", *where))


def bundled_template():
    """The path of the batch example's template run input (no default: give
    it as ``case=`` to run a table as ``examples/batch`` does): 25 C on the
    saturation curve, minerals and gases, a loop limit of 300, the Na-K-Ca
    temperature."""
    return _bundled((TEMPLATE_NAME,), ("examples", "batch", TEMPLATE_NAME))


class Database:
    """A database read and checked once; every run given it shares it.
    Without a path, the bundled one (B-dot); ``Database(bundled_database("pitzer"))``
    is the Pitzer one, whose activity model reads its PITZER.DAT beside it."""

    def __init__(self, path=None):
        self.path = os.path.abspath(os.fspath(path)) if path is not None else bundled_database()
        try:
            self._core = _core.Database(self.path)
        except _core.InputFault as e:
            raise InputError(str(e)) from None

    def __repr__(self):
        return f"wqspec.Database({self.path!r})"

    def __reduce__(self):
        # To another process (a Dask worker) by its path; read there once.
        return (_database, (self.path,))


# The databases read in this process, by path: a process (a Dask worker)
# reads each once.
_DATABASES = {}


def _database(database, activity=DEFAULT_ACTIVITY):
    if isinstance(database, Database):
        return database
    path = os.path.abspath(os.fspath(database)) if database is not None else bundled_database(activity)
    if path not in _DATABASES:
        _DATABASES[path] = Database(path)
    return _DATABASES[path]


def _cell_text(value):
    """A cell as the text a CSV file would hold: numbers with every digit
    (repr reads back as the same float), a missing value blank."""
    if value is None:
        return ""
    if isinstance(value, (bool, numpy.bool_)):
        return str(value)
    if isinstance(value, numbers.Integral):
        return str(int(value))
    if isinstance(value, numbers.Real):
        value = float(value)
        return repr(value) if not math.isnan(value) else ""
    if value is pandas.NA or value is pandas.NaT:
        return ""
    return str(value)


def _column_texts(column):
    if pandas.api.types.is_float_dtype(column.dtype):
        return ["" if v != v else repr(v) for v in column.tolist()]
    return [_cell_text(v) for v in column.tolist()]


def _as_frame(table):
    """A DataFrame, a list of dicts (one per water) or one dict (one water)."""
    if isinstance(table, pandas.DataFrame):
        return table
    if isinstance(table, pandas.Series):
        return table.to_frame().T
    if isinstance(table, dict):
        return pandas.DataFrame([table])
    if isinstance(table, (list, tuple)):
        return pandas.DataFrame(list(table))
    raise TypeError(f"a table of waters is a pandas.DataFrame, a list of dicts or a dict, not {type(table).__name__}")


# The rows handed to the core at a time: their cells are Python texts for
# one chunk only, the core keeping the whole table as one CSV text.
CHUNK_ROWS = 4096


def _table_of(frame):
    """The table as the C++ side takes it: the column names, then the cells
    as texts, a chunk of rows at a time."""
    columns = [str(c) for c in frame.columns]
    if len(set(columns)) != len(columns):
        seen = set()
        twice = next(c for c in columns if c in seen or seen.add(c))
        raise InputError(f"column {twice!r} is in the table twice")
    table = _core.TableOfWaters(columns)
    series = [frame.iloc[:, k] for k in range(len(columns))]
    for start in range(0, len(frame), CHUNK_ROWS):
        table.add_rows([_column_texts(column.iloc[start:start + CHUNK_ROWS]) for column in series])
    return table


_ROW_ON_LINE = re.compile(r"^row on line \d+")


def _row_message(message, label):
    """The batch names a row by its line in a CSV file; a table in memory has
    rows, named by the table's index label (as ``frame.loc`` takes it)."""
    if isinstance(label, numpy.generic):
        label = label.item()
    return _ROW_ON_LINE.sub(f"row {label!r}", message, count=1)


def _rows_named(statuses, labels):
    """The statuses that name their row by its line, naming it as a fault
    raised does, by its index label."""
    for k, status in enumerate(statuses):
        if _ROW_ON_LINE.match(status):
            statuses[k] = _row_message(status, labels[k])


def _run(table, database, options, detail, errors, verbose):
    if errors not in ("raise", "status"):
        raise ValueError(f"errors={errors!r}: 'raise' (a row with a fault raises InputError) or 'status'")
    frame = _as_frame(table)
    cells = _table_of(frame)
    db = _database(database, options.activity)
    try:
        out = _core.run_table(cells, options, db._core, bool(detail))
    except _core.InputFault as e:
        raise InputError(str(e)) from None
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


def _frame_of(out, labels):
    data = {}
    numbers_ = out["numbers"]
    numeric = {name: k for k, name in enumerate(out["numeric_columns"])}
    text = {name: k for k, name in enumerate(out["text_columns"])}
    for name in out["header"]:
        if name in numeric:
            data[name] = numbers_[:, numeric[name]]
        else:
            data[name] = numpy.array(out["texts"][text[name]], dtype=object)
    return pandas.DataFrame(data, index=labels, columns=out["header"], copy=False)


@_taking_shared_options()
def speciate(table, database=None, jobs=None, case=None, columns=ALL_COLUMNS, detail=False, errors="raise",
             verbose=False, **options):
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

    Returns a DataFrame indexed as the table (rows of blank cells only are no
    water and are left out), with the columns of the batch's CSV records:
    numbers as floats (NaN where the CSV cell is empty), the text columns
    (``name``, ``status``, ``Eh couple``, ``balanced on``, ``notes``,
    ``activity model``, ``redox``) as text. The GIL is released while the
    workers compute. Ctrl-C stops them at once: the waters in progress end,
    no other is begun, and KeyboardInterrupt is raised with no thread left
    running.
    """
    out, labels = _run(table, database, _options(case, columns, jobs, **options), detail, errors, verbose)
    if detail:
        records = [json.loads(record) for record in out["json"]]
        for record, label in zip(records, labels):
            record["status"] = _row_message(record["status"], label)
        return [Result(record) for record in records]
    return _frame_of(out, labels)


@_taking_shared_options()
def speciate_one(water, database=None, case=None, errors="raise", verbose=False, **options):
    """One water (a dict, or a one-row DataFrame or Series) in full: a
    Result. The options are speciate's."""
    frame = _as_frame(water)
    if len(frame) != 1:
        raise InputError(f"speciate_one takes one water; the table has {len(frame)} rows")
    results = speciate(frame, database=database, jobs=1, case=case, detail=True, errors=errors, verbose=verbose,
                       **options)
    if not results:
        raise InputError("the water's row has blank cells only")
    return results[0]


def _record_header(table, database, options):
    cells = _table_of(_as_frame(table))
    try:
        return _core.record_header(cells, options, _database(database, options.activity)._core)
    except _core.InputFault as e:
        raise InputError(str(e)) from None


@_taking_shared_options()
def result_columns(table, database=None, case=None, columns=ALL_COLUMNS, **options):
    """The columns ``speciate`` gives for `table` with these options,
    computed without any water: the table's columns name them, and its rows
    only say whether some water has a redox state of its own (an ``Eh [V]``,
    ``pe``, ``O2(g) [log f]`` or ``redox`` cell), which adds the redox
    columns."""
    return _record_header(table, database, _options(case, columns, **options))["header"]


# The reconstruction's keywords of sweep, as the command line's options.
_RECONSTRUCTION = ("steam_loss", "dilution", "add_co2", "co2_steam", "h2s_steam", "enthalpy",
                   "separation_pressure", "separation_temperature")


def _setting(option, value):
    """A number of the reconstruction as the command line takes it: a number,
    a (low, high) pair sought between them, or a text ("0:0.3", "12mmol/kg")."""
    if isinstance(value, str):
        return value
    if isinstance(value, (tuple, list)):
        if len(value) != 2:
            raise TypeError(f"{option}={value!r}: a number, a (low, high) pair or a text")
        return f"{_setting(option, value[0])}:{_setting(option, value[1])}"
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{option}={value!r}: a number, a (low, high) pair or a text")
    return repr(float(value))


@_taking_shared_options(*_RECONSTRUCTION)
def sweep(water, t_from, t_to, step, minerals=None, database=None, case=None, reconstruct=False, fix_al=None,
          **options):
    """One water computed over a range of temperatures, as ``wqspec sweep``
    computes a run input: the first run at the water's own conditions (as
    ``speciate`` computes it, with the same options), then every temperature
    from `t_from` to `t_to` by `step` (deg C), the pH computed from the
    conserved totals.

    water     a dict (or one-row DataFrame or Series) in the batch's columns.
    minerals  the minerals of the estimate (a list or "A,B"; default: the
              common reservoir minerals the water can form).
    database, case, balance, activity, redox, decouple, suppress, ph_scale
              as speciate's.
    reconstruct, fix_al, steam_loss, dilution, add_co2, co2_steam,
    h2s_steam, enthalpy, separation_pressure, separation_temperature
              the reservoir fluid reconstructed, as the command line's
              --reconstruct, --fix-al, --steam-loss, ... : each number a
              value, a (low, high) pair to seek it between, or the option's
              text ("10mmol/kg" for a gas/steam ratio). The estimate then
              holds "reconstruction": the parameters, the RMS minimum, the
              ends of the uncertainty with the parameters there.

    Returns (table, estimate): the sweep's table as a DataFrame (one row per
    run: status, T, P, pH, I, the statistics and log Q/K of every mineral)
    and the estimate as a dict (rms_minimum, median_minimum and rms_range,
    each with its temperatures, the minerals, and the table's estimate line).
    """
    frame = _as_frame(water)
    if len(frame) != 1:
        raise InputError(f"sweep takes one water; the table has {len(frame)} rows")
    reconstruction = {name: options.pop(name) for name in _RECONSTRUCTION if name in options}
    batch = _options(case, **options)
    settings = {name: _setting(name, value) for name, value in reconstruction.items() if value is not None}
    if fix_al is not None:
        settings["fix_al"] = _text("fix_al", fix_al)
    try:
        out = _core.sweep_water(_table_of(frame), batch, _database(database, batch.activity)._core,
                                float(t_from), float(t_to), float(step), _names("minerals", minerals), settings,
                                bool(reconstruct))
    except _core.InputFault as e:
        raise InputError(_row_message(str(e), frame.index[0])) from None
    body = "".join(line for line in io.StringIO(out["table"]) if not line.startswith("#"))
    # round_trip: the 17 digits read back as the very doubles the sweep computed.
    table = pandas.read_csv(io.StringIO(body), float_precision="round_trip")
    estimate = dict(out["estimate"])
    estimate["all_converged"] = out["all_converged"]
    return table, estimate

"""The chains of runs from Python: a temperature sweep (with the reservoir
fluid reconstructed) and an evaporation path, each of one water given as
``speciate`` takes it, computed as ``wqspec sweep`` and ``wqspec evaporate``
compute a run input, their tables as DataFrames."""
from typing import Any, Dict, Optional, Sequence, Tuple, Union

import pandas

from . import _core
from ._database import Database, _database
from ._frames import Waters, _as_frame, _row_message, _table_of, _values_frame
from ._progress import progress_of
from ._shared import InputError, Names, PathLike, _names, _options, _taking_shared_options, _text

# A number of the reconstruction: a value, a (low, high) pair to seek it
# between, or the command line's text of it.
Setting = Union[float, Tuple[float, float], Sequence[float], str, None]
OptionValue = Union[str, Sequence[str], None]

def _setting(option: str, value: Setting) -> str:
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




def _one_water(water: Waters, what: str) -> pandas.DataFrame:
    frame = _as_frame(water)
    if len(frame) != 1:
        raise InputError(f"{what} takes one water; the table has {len(frame)} rows")
    return frame


@_taking_shared_options()
def sweep(water: Waters, t_from: float, t_to: float, step: float, minerals: Names = None,
          database: Union[Database, PathLike, None] = None, case: Optional[PathLike] = None, reconstruct: bool = False,
          fix_al: Optional[str] = None, steam_loss: Setting = None, dilution: Setting = None, add_co2: Setting = None,
          co2_steam: Setting = None, h2s_steam: Setting = None, enthalpy: Setting = None,
          separation_pressure: Setting = None, separation_temperature: Setting = None, progress: bool = True,
          **options: OptionValue) -> Tuple[pandas.DataFrame, Dict[str, Any]]:
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
    progress  a progress bar once the call has run for a few seconds
              (python3-tqdm's, when installed); False: none.

    Returns (table, estimate): the sweep's table as a DataFrame (one row per
    run: status, T, P, pH, I, the statistics and log Q/K of every mineral)
    and the estimate as a dict (rms_minimum, median_minimum and rms_range,
    each with its temperatures, the minerals, the table's estimate line,
    all_converged and the sweep's notes).

    >>> import wqspec
    >>> water = {"name": "w", "T [C]": 25, "pH": 7, "Na+ [mg/L]": 40, "Ca++ [mg/L]": 20,
    ...          "SiO2,aq [mg/L]": 60, "HCO3- [mg/L]": 100, "Cl- [mg/L]": 60}
    >>> table, estimate = wqspec.sweep(water, 100, 200, 50, minerals="Quartz,Calcite")
    >>> list(table["T [C]"])
    [25.0, 100.0, 150.0, 200.0]
    """
    frame = _one_water(water, "sweep")
    batch = _options(case, shared=options)
    given = {"steam_loss": steam_loss, "dilution": dilution, "add_co2": add_co2, "co2_steam": co2_steam,
             "h2s_steam": h2s_steam, "enthalpy": enthalpy, "separation_pressure": separation_pressure,
             "separation_temperature": separation_temperature}
    settings = {name: _setting(name, value) for name, value in given.items() if value is not None}
    if fix_al is not None:
        settings["fix_al"] = _text("fix_al", fix_al)
    bar = progress_of(progress, "temperatures", "run")
    try:
        out = _core.sweep_water(_table_of(frame), batch, _database(database, batch.activity)._core,
                                float(t_from), float(t_to), float(step), _names("minerals", minerals), settings,
                                bool(reconstruct), bar)
    except _core.InputFault as e:
        raise InputError(_row_message(str(e), frame.index[0])) from None
    finally:
        if bar:
            bar.close()
    table = _values_frame(out)
    estimate = dict(out["estimate"])
    estimate["all_converged"] = out["all_converged"]
    estimate["notes"] = list(out["notes"])
    return table, estimate


# The path's defaults, the command line's.
_PATH = _core.EvaporateOptions()


@_taking_shared_options()
def evaporate(water: Waters, to: float = _PATH.to, steps: int = _PATH.steps, precipitation: bool = True,
              fractional: bool = False, minerals: Names = None, database: Union[Database, PathLike, None] = None,
              case: Optional[PathLike] = None, progress: bool = True,
              **options: OptionValue) -> Tuple[pandas.DataFrame, Dict[str, Any]]:
    """One water concentrated step by step by taking water away, as ``wqspec
    evaporate`` concentrates a run input: the first run at the water's own
    conditions (as ``speciate`` computes it, with the same options), then
    `steps` equal steps of ln F up to the concentration factor `to` (the
    starting mass of water over the mass left).

    water          a dict (or one-row DataFrame or Series) in the batch's
                   columns; its template (``case``, or the table's default
                   options) must ask for minerals.
    to, steps      as --to and --steps.
    precipitation  False: only concentrate (--no-precipitation); by default
                   every mineral that reaches saturation precipitates and
                   stays in contact with the brine.
    fractional     True: what precipitates leaves the brine (--fractional).
    minerals       the minerals that may precipitate (a list or "A,B";
                   default: every mineral of the run), as --minerals.
    database, case, balance, activity, redox, decouple, suppress, ph_scale
                   as speciate's.
    progress       a progress bar once the call has run for a few seconds
                   (python3-tqdm's, when installed); False: none.

    Returns (table, summary): the path's table as a DataFrame, the columns of
    the CSV table ``wqspec evaporate`` writes (concentration factor, status,
    kg water, pH, I, a(H2O), the minerals held, SI(...), precipitated(...)
    and brine(...) per kg of the starting water), numbers as floats (the very
    values the CSV prints, NaN where its cell is blank); and a dict:
    ``first_saturations`` (mineral -> the factor where it first saturates, in
    their order), ``notes``, ``all_converged``.

    >>> import wqspec
    >>> seawater = {"name": "seawater", "T [C]": 25, "pH": 8.1, "Na [mol/kgw]": 0.486, "Mg [mol/kgw]": 0.0547,
    ...             "Ca [mol/kgw]": 0.0107, "K [mol/kgw]": 0.0106, "Cl [mol/kgw]": 0.566, "SO4 [mol/kgw]": 0.0293}
    >>> table, summary = wqspec.evaporate(seawater, to=20, steps=10, activity="pitzer")
    >>> "Halite" in summary["first_saturations"]
    True
    """
    frame = _one_water(water, "evaporate")
    batch = _options(case, shared=options)
    path = _core.EvaporateOptions()
    if isinstance(to, bool) or not isinstance(to, (int, float)):
        raise TypeError(f"to={to!r}: a concentration factor, a number")
    if isinstance(steps, bool) or not isinstance(steps, int):
        raise TypeError(f"steps={steps!r}: a whole number")
    path.to = float(to)
    path.steps = int(steps)
    path.precipitation = bool(precipitation)
    path.fractional = bool(fractional)
    path.minerals = _names("minerals", minerals)
    bar = progress_of(progress, "evaporation", "step")
    try:
        out = _core.evaporate_water(_table_of(frame), batch, _database(database, batch.activity)._core, path, bar)
    except _core.InputFault as e:
        raise InputError(_row_message(str(e), frame.index[0])) from None
    finally:
        if bar:
            bar.close()
    table = _values_frame(out)
    summary = {"first_saturations": dict(out["first_saturations"]), "notes": list(out["notes"]),
               "all_converged": out["all_converged"]}
    return table, summary

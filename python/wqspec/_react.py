"""Reaction paths from Python, as ``wqspec react`` computes them: the path
file itself, or its start and steps given as values, written as the text of
a path file and read by the program's one reader of path files, so that the
two mean the same and a fault is told in the same words."""
import json
import numbers
import os
import re
from typing import Any, Dict, List, Mapping, NamedTuple, Optional, Sequence, Tuple, Union

import pandas

from . import _core
from ._database import Database, _database
from ._frames import _values_frame
from ._progress import progress_of
from ._shared import InputError, PathLike, _options, _taking_shared_options

OptionValue = Union[str, Sequence[str], None]

# A step as a dict: the keys of a [[step]] table of the path file.
Step = Mapping[str, Any]


class Reaction(NamedTuple):
    """A reaction path's records: ``states`` (step, kind, variable, status,
    T, P, pH, I, SI(...) and log f(...) of every record), ``transfer``
    (step, kind, variable and the mass transfer so far, transfer(...) of
    every phase and added(...) of every reactant, mol per kg of the starting
    water), one row each per record in the same order; and ``summary``:
    ``all_converged``, ``title`` (the start's two title lines),
    ``activity_model``.

    >>> import wqspec
    >>> wqspec.Reaction._fields
    ('states', 'transfer', 'summary')
    """
    states: pandas.DataFrame
    transfer: pandas.DataFrame
    summary: Dict[str, Any]


# The name the text of steps given as values goes by: a file of the working
# folder, so that the relative names in it (a mix step's "with", the start)
# are taken from there, as Python takes them.
_STEPS_FILE = "<steps>"


def _toml_value(value: Any, where: str) -> str:
    """`value` as a value of a path file (TOML): a number, a text, true or
    false, a list of them, or a table of names to them."""
    if isinstance(value, bool) or type(value).__name__ == "bool_":
        return "true" if value else "false"
    if isinstance(value, numbers.Integral):
        return str(int(value))
    if isinstance(value, numbers.Real):
        x = float(value)
        return "nan" if x != x else "inf" if x == float("inf") else "-inf" if x == -float("inf") else repr(x)
    if isinstance(value, str):
        return json.dumps(value, ensure_ascii=False).replace("\x7f", "\\u007f")
    if isinstance(value, Mapping):
        return "{ " + ", ".join(f"{_toml_key(k, where)} = {_toml_value(v, f'{where}[{k!r}]')}"
                                for k, v in value.items()) + " }"
    if isinstance(value, (list, tuple)):
        return "[" + ", ".join(_toml_value(v, f"{where}[{k}]") for k, v in enumerate(value)) + "]"
    raise TypeError(f"{where}: {value!r} is no value of a path file (a number, a text, True or False, a list or "
                    f"a dict of them)")


def _toml_key(key: Any, where: str) -> str:
    if not isinstance(key, str):
        raise TypeError(f"{where}: the key {key!r} is no name (a text)")
    return json.dumps(key, ensure_ascii=False)


def _path_text(start: PathLike, steps: Sequence[Step]) -> Tuple[str, Dict[int, str]]:
    """The path file of `start` and `steps`, one key a line, and what each
    line is in Python's words (``steps[1]['amount']``)."""
    if isinstance(steps, (str, bytes, Mapping)) or not isinstance(steps, Sequence):
        raise TypeError(f"steps={steps!r}: a list of dicts, one per step")
    lines = ["[start]", f"case = {_toml_value(os.fspath(start), 'start')}"]
    where = {1: "start", 2: "start"}
    for k, step in enumerate(steps):
        if not isinstance(step, Mapping):
            raise TypeError(f"steps[{k}]={step!r}: a step is a dict of the keys of a [[step]] table")
        lines.append("[[step]]")
        where[len(lines)] = f"steps[{k}]"
        for key, value in step.items():
            lines.append(f"{_toml_key(key, f'steps[{k}]')} = {_toml_value(value, f'steps[{k}][{key!r}]')}")
            where[len(lines)] = f"steps[{k}][{key!r}]"
    return "\n".join(lines) + "\n", where


def _named_in_python(message: str, file: str, where: Dict[int, str]) -> str:
    """A fault of the steps' text named by the step and key it came from."""
    found = re.match(re.escape(file) + r" line (\d+): ", message)
    if not found:
        return message
    return where.get(int(found.group(1)), "steps") + ": " + message[found.end():]


def _frames(out: Mapping[str, Any]) -> Reaction:
    """The path's table as the states and the mass transfer."""
    records = _values_frame(out)
    keys = ["step", "kind", "variable"]
    moved = [c for c in records.columns if c.startswith(("transfer(", "added("))]
    states = records[[c for c in records.columns if c not in moved]]
    summary = {"all_converged": bool(out["all_converged"]), "title": list(out["title"]),
               "activity_model": out["activity_model"]}
    return Reaction(states, records[keys + moved], summary)


@_taking_shared_options()
def react(start: PathLike, steps: Optional[Sequence[Step]] = None, database: Union[Database, PathLike, None] = None,
          progress: bool = True, **options: OptionValue) -> Reaction:
    """A water taken along a reaction path, as ``wqspec react`` takes it
    (docs/reaction-paths.md): mixed with other waters, given reactants,
    brought to equilibrium with minerals and gases, heated or cooled.

    start     with `steps`: the starting water's run input (WQCASE.DAT
              format, as the path file's [start] case); without: the path
              file (TOML) itself.
    steps     a list of dicts, one per step, with the keys of the path
              file's [[step]] tables (``{"kind": "add", "reactant": {"H+": 1,
              "Cl-": 1}, "amount": 0.005, "increments": 50}``). They are
              read as the path file is, by the program's reader: the same
              keys, defaults and messages, a fault named by its step and key
              (``steps[1]['amount']: ...``) where the command line names the
              file's line. Relative file names are taken from the working
              folder (in a path file, from the file's folder).
    database, balance, activity, redox, decouple, suppress, ph_scale
              as the command line's --db, --activity, ... (the bundled
              database for the activity model by default).
    progress  a progress bar once the call has run for a few seconds
              (python3-tqdm's, when installed); False: none.

    Returns a Reaction (states, transfer, summary): the command line's CSV
    table as two DataFrames of a row per record, the numbers the very
    values its CSV prints. A record that failed says why in ``status`` and
    ends the path (``summary["all_converged"]`` False), as the command line
    keeps the records before it; a path that cannot start (a bad step, a
    file missing, a name the start's run has not) raises InputError.

    From the clone's folder, the example path file, and its steps as dicts:

    >>> import wqspec
    >>> states, transfer, summary = wqspec.react("examples/react/calcite-co2.toml",
    ...                                          database="examples/LOGKDATA.KDB", progress=False)
    >>> round(states.loc[1, "pH"], 2), round(transfer.loc[1, "transfer(Calcite) [mol/kg starting water]"], 5)
    (6.97, 0.00162)
    >>> held = {"kind": "equilibrate", "minerals": {"Calcite": 0.0}, "gases": {"CO2(g)": -1.5}}
    >>> again = wqspec.react("examples/react/WQCASE.DAT", [held], database="examples/LOGKDATA.KDB")
    >>> again.states.loc[1, "pH"] == states.loc[1, "pH"]
    True
    """
    batch = _options(shared=options)
    text: Optional[str] = None
    where: Dict[int, str] = {}
    if steps is None:
        file = os.fspath(start)
    else:
        file = os.path.join(os.getcwd(), _STEPS_FILE)
        text, where = _path_text(start, steps)
    bar = progress_of(progress, "reaction path", "record")
    try:
        out = _core.react_path(file, text, batch, _database(database, batch.activity)._core, bar)
    except _core.InputFault as e:
        raise InputError(_named_in_python(str(e), file, where)) from None
    finally:
        if bar:
            bar.close()
    return _frames(out)


__all__: List[str] = ["Reaction", "react"]

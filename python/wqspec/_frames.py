"""Tables of waters as the core takes them (column names, then the cells as
the texts a CSV file holds, a chunk of rows at a time), the rows named by
the table's index in messages, and the tables of a sweep or a path as the
core gives them, as DataFrames."""
import math
import numbers
import re
from typing import Any, Dict, List, Mapping, Sequence, Union

import numpy
import pandas

from . import _core
from ._shared import InputError

# A table of waters as a call takes it: a DataFrame, a Series or dict (one
# water), or a list of dicts (one per water).
Waters = Union[pandas.DataFrame, pandas.Series, Mapping[str, Any], Sequence[Mapping[str, Any]]]


def _cell_text(value: object) -> str:
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


def _column_texts(column: pandas.Series) -> List[str]:
    if pandas.api.types.is_float_dtype(column.dtype):
        return ["" if v != v else repr(v) for v in column.tolist()]
    return [_cell_text(v) for v in column.tolist()]


def _as_frame(table: "Waters") -> pandas.DataFrame:
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


def _table_of(frame: pandas.DataFrame) -> Any:
    """The table as the C++ side takes it: the column names, then the cells
    as texts, a chunk of rows at a time."""
    columns = [str(c) for c in frame.columns]
    if len(set(columns)) != len(columns):
        twice = next(c for k, c in enumerate(columns) if c in columns[:k])
        raise InputError(f"column {twice!r} is in the table twice")
    table = _core.TableOfWaters(columns)
    series = [frame.iloc[:, k] for k in range(len(columns))]
    for start in range(0, len(frame), CHUNK_ROWS):
        table.add_rows([_column_texts(column.iloc[start:start + CHUNK_ROWS]) for column in series])
    return table


def _values_frame(out: Mapping[str, Any]) -> pandas.DataFrame:
    """The table of a sweep or a path as the core gives it (its header and a
    list of cells per column: texts, floats with NaN for a blank cell, whole
    numbers as ints) as a DataFrame of the very values its CSV text prints."""
    columns = out["columns"]
    return pandas.DataFrame({name: columns[name] for name in out["header"]}, columns=out["header"])


_ROW_ON_LINE = re.compile(r"^row on line \d+")


def _row_message(message: str, label: object) -> str:
    """The batch names a row by its line in a CSV file; a table in memory has
    rows, named by the table's index label (as ``frame.loc`` takes it)."""
    if isinstance(label, numpy.generic):
        label = label.item()
    return _ROW_ON_LINE.sub(f"row {label!r}", message, count=1)


def _rows_named(statuses: List[str], labels: Sequence[object]) -> None:
    """The statuses that name their row by its line, naming it as a fault
    raised does, by its index label."""
    for k, status in enumerate(statuses):
        if _ROW_ON_LINE.match(status):
            statuses[k] = _row_message(status, labels[k])



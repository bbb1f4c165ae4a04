"""wqspec on a Dask cluster: a table of waters too large for one machine.

``speciate(ddf)`` maps every partition of a Dask DataFrame onto
``wqspec.speciate``: each worker process computes its partitions with the
same C++ core and the same options, reading the database once (wqspec keeps
the databases it has read, by path, for the life of the process). The result
is a Dask DataFrame of the records, indexed as `ddf`. ::

    import dask.dataframe
    from distributed import Client, LocalCluster
    import wqspec.dask

    client = Client(LocalCluster(n_workers=2, threads_per_worker=1))
    waters = dask.dataframe.read_csv("waters-*.csv")
    records = wqspec.dask.speciate(waters, columns="name,status,pH,SI(*)").compute()

The same code runs on a cluster when the client is made with the address of
its scheduler: ``Client("tcp://scheduler:8786")``; every worker needs wqspec
installed, and a database or template given by path at the same path (without
one, each worker reads the database installed with its own wqspec).
"""
import os
from typing import Any, Dict, List, Optional, Sequence, Union

import numpy
import pandas

import wqspec

__all__ = ["speciate", "meta"]


def _path(database: Union["wqspec.Database", "wqspec.PathLike", None]) -> Union["wqspec.Database", str, None]:
    """A database as it travels to the workers: a Database (sent by its
    path), a path, or None for each worker's bundled one."""
    if database is None or isinstance(database, wqspec.Database):
        return database
    return os.path.abspath(os.fspath(database))


# The quantities of a table's columns that give a water a redox state of its
# own (the batch's Eh [V], pe, O2(g) [log f] and redox columns).
_REDOX_STATES = ("Eh", "pe", "O2(g)", "redox")


def _quantity(column: object) -> str:
    return str(column).split("[")[0].strip()


def _with_redox_state(frame: pandas.DataFrame, redox: object) -> Optional[pandas.DataFrame]:
    """The records of a table with redox-state columns have the redox columns
    when some water of it has a state; a partition whose waters have none
    would have fewer columns than the others. So, unless every water takes
    the `redox` option, such a frame gets one more row: its first water with
    the pe 0 as its state (in its pe column, or one added), which gives the
    columns and is left out of the result. None when no row is needed."""
    states = [c for c in frame.columns if _quantity(c) in _REDOX_STATES]
    probe = frame.dropna(how="all").iloc[:1].copy()
    if redox or not states or len(probe) == 0:
        return None
    probe[states] = numpy.nan
    pe = next((c for c in states if _quantity(c) == "pe"), "pe")
    probe[pe] = 0.0
    return pandas.concat([frame, probe])


@wqspec._taking_shared_options()
def meta(table: Union[pandas.DataFrame, Sequence[str]], database: Union["wqspec.Database", "wqspec.PathLike", None] = None,
         case: Optional["wqspec.PathLike"] = None, columns: "wqspec.Names" = wqspec.ALL_COLUMNS,
         below_detection: Any = "omit", strict: Any = False, density: Any = None,
         **options: "wqspec.OptionValue") -> pandas.DataFrame:
    """The empty frame of speciate's result for a table whose columns are
    `table` (a list of its column names, or a frame) and these options (as
    speciate's): its columns, float64 but the text ones, computed without
    any water.

    >>> import wqspec.dask
    >>> list(wqspec.dask.meta(["name", "T [C]", "pH", "Na+ [mg/L]"], columns="name,pH").columns)
    ['name', 'pH']
    """
    names = list(table.columns) if hasattr(table, "columns") else list(table)
    probe = pandas.DataFrame([{name: ("probe" if name == "name" else numpy.nan) for name in names}])
    probed = _with_redox_state(probe, options.get("redox"))
    if probed is not None:
        probe = probed.iloc[1:]
    given = wqspec._reading(wqspec._options(case, columns, shared=options), below_detection, strict, density)
    header = wqspec._record_header(probe, database, given)
    text = set(header["text_columns"])
    return pandas.DataFrame({name: pandas.Series(dtype=object if name in text else "float64")
                             for name in header["header"]})


def _partition(frame: pandas.DataFrame, database: Union["wqspec.Database", str, None], jobs: Optional[int], errors: str,
               options: Dict[str, Any]) -> pandas.DataFrame:
    if len(frame) == 0:
        empty = meta(frame, database=database, **options)
        empty.index = frame.index[:0]
        return empty
    probed = _with_redox_state(frame, options.get("redox"))
    if probed is None:
        return wqspec.speciate(frame, database=database, jobs=jobs, errors=errors, progress=False, **options)
    return wqspec.speciate(probed, database=database, jobs=jobs, errors=errors, progress=False, **options).iloc[:-1]


@wqspec._taking_shared_options()
def speciate(ddf: Any, database: Union["wqspec.Database", "wqspec.PathLike", None] = None,
             case: Optional["wqspec.PathLike"] = None, jobs: Optional[int] = 1, errors: str = "raise",
             columns: "wqspec.Names" = wqspec.ALL_COLUMNS, below_detection: Any = "omit", strict: Any = False,
             density: Any = None, **options: "wqspec.OptionValue") -> Any:
    """Every water of the Dask DataFrame `ddf` (the batch's columns) as
    ``wqspec.speciate`` computes it with the same options, partition by
    partition.

    database, case  a Database or paths, the same on every worker (default:
                    each worker's bundled database for the activity model,
                    no template).
    jobs            threads per partition; 1 by default, so that the
                    cluster's workers (one per core) share the cores.
    columns         as speciate's: every column by default; on a large table
                    choose the few you need ("name,status,SI(*)").
    below_detection, strict, density
                    as speciate's: how a lab's table is read (cells below
                    the detection limit, columns carried through, the
                    density for amounts per litre).

    >>> import dask.dataframe, pandas, wqspec.dask
    >>> waters = dask.dataframe.from_pandas(pandas.DataFrame([{"name": "w", "T [C]": 25, "pH": 7,
    ...                                                         "Na+ [mg/L]": 10}]), npartitions=1)
    >>> wqspec.dask.speciate(waters, columns="name,status").compute().loc[0, "status"]
    'converged'
    """
    database = _path(database)
    given: Dict[str, Any] = dict(options, case=None if case is None else os.path.abspath(os.fspath(case)),
                                 columns=columns, below_detection=below_detection, strict=strict, density=density)
    return ddf.map_partitions(_partition, database, jobs, errors, given,
                              meta=meta(ddf.columns, database=database, **given))

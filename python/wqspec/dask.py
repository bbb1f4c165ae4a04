"""wqspec on a Dask cluster: a table of waters too large for one machine.

``speciate(ddf)`` maps every partition of a Dask DataFrame onto
``wqspec.speciate``: each worker process computes its partitions with the
same C++ core, reading the database once (wqspec keeps the databases it has
read, by path, for the life of the process). The result is a Dask DataFrame
of the records, indexed as `ddf`. ::

    import dask.dataframe
    from distributed import Client, LocalCluster
    import wqspec.dask

    client = Client(LocalCluster(n_workers=2, threads_per_worker=1))
    waters = dask.dataframe.read_csv("waters-*.csv")
    records = wqspec.dask.speciate(waters).compute()

The same code runs on a cluster when the client is made with the address of
its scheduler: ``Client("tcp://scheduler:8786")``; every worker needs wqspec
installed and the database at the same path (or the bundled one).
"""
import numpy
import pandas

import wqspec

__all__ = ["speciate", "meta"]

_TEXT_COLUMNS = ("name", "status", "Eh couple")


def meta(columns, database=None, case=None):
    """The empty frame of speciate's result for a table with `columns` (a
    list of the table's column names, or a frame with them): its columns,
    float64 but the text ones, computed without any water."""
    names = list(columns.columns) if hasattr(columns, "columns") else list(columns)
    probe = {name: ("probe" if name == "name" else numpy.nan) for name in names}
    header = wqspec.result_columns(probe, database=database, case=case)
    return pandas.DataFrame({name: pandas.Series(dtype=object if name in _TEXT_COLUMNS else "float64")
                             for name in header})


def _partition(frame, database, case, jobs, errors):
    if len(frame) == 0:
        empty = meta(frame, database=database, case=case)
        empty.index = frame.index[:0]
        return empty
    return wqspec.speciate(frame, database=database, case=case, jobs=jobs, errors=errors)


def speciate(ddf, database=None, case=None, jobs=1, errors="raise"):
    """Every water of the Dask DataFrame `ddf` (the batch's columns) as
    ``wqspec.speciate`` computes it, partition by partition.

    database, case  paths (default: the bundled ones), the same on every worker.
    jobs            threads per partition; 1 by default, so that the
                    cluster's workers (one per core) share the cores.
    """
    database = wqspec.bundled_database() if database is None else str(database)
    case = wqspec.bundled_template() if case is None else str(case)
    return ddf.map_partitions(_partition, database, case, jobs, errors,
                              meta=meta(ddf.columns, database=database, case=case))

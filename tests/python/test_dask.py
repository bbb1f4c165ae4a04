"""Twenty thousand seawater variants on a Dask cluster of two worker
processes give the very table one process gives."""
import os
import sys

import dask.dataframe
import pandas
import pytest
from distributed import Client, LocalCluster

import wqspec
import wqspec.dask
from conftest import DATABASE, ROOT, SEAWATER_TEMPLATE

sys.path.insert(0, os.path.join(ROOT, "tests", "solver"))
import seawater_variants  # noqa: E402

WATERS = 20000


@pytest.fixture(scope="module")
def waters():
    from io import StringIO
    return pandas.read_csv(StringIO(seawater_variants.table(WATERS)), float_precision="round_trip")


def test_a_local_cluster_gives_the_single_process_table(waters):
    alone = wqspec.speciate(waters, database=DATABASE, case=SEAWATER_TEMPLATE, jobs=2)
    assert len(alone) == WATERS
    assert alone["status"].str.startswith("converged").all()
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        parts = dask.dataframe.from_pandas(waters, npartitions=8)
        spread = wqspec.dask.speciate(parts, database=DATABASE, case=SEAWATER_TEMPLATE).compute()
        # Each worker process has read the one database once and kept it.
        read = client.run(lambda: sorted(wqspec._DATABASES))
    pandas.testing.assert_frame_equal(spread, alone)
    assert len(read) == 2
    for databases in read.values():
        assert databases == [os.path.abspath(DATABASE)]


def test_meta_names_the_columns_of_the_result(waters):
    small = wqspec.speciate(waters.head(3), database=DATABASE, case=SEAWATER_TEMPLATE)
    meta = wqspec.dask.meta(waters.columns, database=DATABASE, case=SEAWATER_TEMPLATE)
    assert list(meta.columns) == list(small.columns)
    assert list(meta.dtypes) == list(small.dtypes)
    assert len(meta) == 0

"""Twenty thousand seawater variants on a Dask cluster of two worker
processes give the very table one process gives, with the same options; a
table whose waters have redox states in some partitions only gives one
table all the same."""
import os
import sys

import dask
import dask.dataframe
import numpy
import pandas
import pytest
from distributed import Client, LocalCluster

import wqspec
import wqspec.dask
from conftest import DATABASE, ROOT, SEAWATER_TEMPLATE

sys.path.insert(0, os.path.join(ROOT, "tests", "solver"))
import seawater_variants  # noqa: E402

WATERS = 20000
# The variants are made for the charge balance on Cl-; calcite left out of
# the runs and a few columns kept, to show that the options reach the workers.
OPTIONS = {"case": SEAWATER_TEMPLATE, "balance": "Cl-", "suppress": "Calcite",
           "columns": "name,status,pH,balanced on,balanced total [mol],SI(*)"}


@pytest.fixture(scope="module")
def waters():
    from io import StringIO
    return pandas.read_csv(StringIO(seawater_variants.table(WATERS)), float_precision="round_trip")


def test_a_local_cluster_gives_the_single_process_table(waters):
    alone = wqspec.speciate(waters, database=DATABASE, jobs=2, **OPTIONS)
    assert len(alone) == WATERS
    assert alone["status"].str.startswith("converged").all()
    assert (alone["balanced on"] == "Cl-").all() and "SI(Calcite)" not in alone.columns
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        parts = dask.dataframe.from_pandas(waters, npartitions=8)
        spread = wqspec.dask.speciate(parts, database=DATABASE, **OPTIONS).compute()
        # Each worker process has read the one database once and kept it.
        read = client.run(lambda: sorted(wqspec._DATABASES))
    pandas.testing.assert_frame_equal(spread, alone)
    assert len(read) == 2
    for databases in read.values():
        assert databases == [os.path.abspath(DATABASE)]


@pytest.mark.parametrize("options", [{}, OPTIONS, {"activity": "pitzer", "columns": "compact"}],
                         ids=["defaults", "options", "pitzer"])
def test_meta_names_the_columns_of_the_result(waters, options):
    if options.get("activity") == "pitzer":  # its database has no data for iron, manganese or silica
        waters = waters.drop(columns=["Fe+++ [mg/kg]", "Mn++ [mg/kg]", "SiO2,aq [mg/kg]"])
    small = wqspec.speciate(waters.head(3), **options)
    meta = wqspec.dask.meta(waters.columns, **options)
    assert list(meta.columns) == list(small.columns)
    assert list(meta.dtypes) == list(small.dtypes)
    assert len(meta) == 0


# A groundwater survey: every fourth well has a field Eh, the others none.
SURVEY = pandas.DataFrame([
    {"name": f"well {k}", "T [C]": 10.0 + k % 5, "pH": 6.4 + 0.05 * k, "Ca [mg/L]": 40.0 + k, "Mg [mg/L]": 9.0,
     "Na [mg/L]": 15.0, "K [mg/L]": 2.0, "Cl [mg/L]": 20.0, "SO4 [mg/L]": 30.0, "Fe [mg/L]": 0.5 + 0.1 * k,
     "alkalinity [meq/L]": 3.0, "Eh [V]": 0.1 + 0.01 * k if k % 4 == 0 else numpy.nan} for k in range(16)])


@pytest.mark.parametrize("options", [{}, {"columns": "compact", "activity": "b-dot", "decouple": "S"}],
                         ids=["every column", "compact"])
def test_partitions_without_a_redox_state_have_the_columns_of_the_others(options):
    alone = wqspec.speciate(SURVEY, **options)
    assert "Eh(Fe++/Fe+++) [V]" in alone.columns
    assert set(alone["redox"]) == {"none"} | {f"Eh {0.1 + 0.01 * k:g} V" for k in range(0, 16, 4)}
    # Sixteen wells in eight partitions of two: half of them have no Eh.
    parts = dask.dataframe.from_pandas(SURVEY, npartitions=8)
    spread = wqspec.dask.speciate(parts, **options)
    assert list(spread.columns) == list(alone.columns)
    with dask.config.set(scheduler="synchronous"):
        pandas.testing.assert_frame_equal(spread.compute(), alone)


def test_a_redox_option_for_every_water_needs_no_probe():
    parts = dask.dataframe.from_pandas(SURVEY.drop(columns=["Eh [V]"]), npartitions=4)
    with dask.config.set(scheduler="synchronous"):
        spread = wqspec.dask.speciate(parts, redox="Eh=0.2", columns="name,redox,Eh(*) [V]").compute()
    alone = wqspec.speciate(SURVEY.drop(columns=["Eh [V]"]), redox="Eh=0.2", columns="name,redox,Eh(*) [V]")
    pandas.testing.assert_frame_equal(spread, alone)
    assert (spread["redox"] == "Eh 0.2 V").all()


def test_a_lab_table_is_read_as_speciate_reads_it():
    # Cells below the detection limit, a column carried through, a density.
    lab = pandas.DataFrame([{"name": f"w{k}", "T [C]": 12, "pH": 7.1, "Ca [mg/L]": 30 + k, "Na [mg/L]": "<0.5",
                             "Cl [mg/L]": 12, "alkalinity [meq/L]": 1.5, "site": f"S{k}"} for k in range(4)])
    options = dict(columns="name,status,notes,site,log_m(Na+)", below_detection="half", density=1.0)
    alone = wqspec.speciate(lab, **options)
    assert alone["log_m(Na+)"].notna().all() and (alone["site"] == lab["site"]).all()
    parts = dask.dataframe.from_pandas(lab, npartitions=2)
    with dask.config.set(scheduler="synchronous"):
        pandas.testing.assert_frame_equal(wqspec.dask.speciate(parts, **options).compute(), alone)
    with pytest.raises(wqspec.InputError, match="site"):
        wqspec.dask.meta(lab.columns, strict=True)

"""The Python package against the command line: the same waters give the
same numbers to the last printed digit, the same JSON records, the same
sweep; faults of a table raise InputError naming the row and the column; the
package prints nothing unless asked."""
import csv
import io
import json
import math
import os
import shutil
import threading

import pandas
import pytest

import wqspec
from conftest import BATCH, DATABASE, EXAMPLES

WATERS = os.path.join(BATCH, "WATERS.csv")
TEMPLATE = os.path.join(BATCH, "WQCASE.DAT")


def read_waters():
    # round_trip: every cell read as the double the program reads from its text.
    return pandas.read_csv(WATERS, float_precision="round_trip")


@pytest.fixture(scope="module")
def cli_csv(run_cli, tmp_path_factory):
    out = tmp_path_factory.mktemp("cli") / "out.csv"
    run_cli("batch", WATERS, "--case", TEMPLATE, "--db", DATABASE, "--out", str(out))
    with open(out, encoding="utf-8", newline="") as f:
        return list(csv.reader(f))


@pytest.fixture(scope="module")
def cli_json(run_cli, tmp_path_factory):
    out = tmp_path_factory.mktemp("cli") / "out.json"
    run_cli("batch", WATERS, "--case", TEMPLATE, "--db", DATABASE, "--out", str(out))
    with open(out, encoding="utf-8") as f:
        return json.load(f)


def assert_same_as_cli(frame, cli_rows):
    header, rows = cli_rows[0], cli_rows[1:]
    assert list(frame.columns) == header
    assert len(frame) == len(rows)
    for k, cells in enumerate(rows):
        for column, cell in zip(header, cells):
            value = frame[column].iloc[k]
            if column in ("name", "status", "Eh couple"):
                assert value == cell, (cells[0], column)
            elif cell == "":
                assert math.isnan(value), (cells[0], column, value)
            else:
                # The CLI prints 17 significant digits: they read back as the
                # very double, so equality is to every printed digit.
                assert value == float(cell), (cells[0], column, value, cell)
                assert isinstance(value, float)


@pytest.mark.parametrize("jobs", [1, 2, 3])
def test_numbers_are_the_cli_batch_to_every_digit(cli_csv, jobs):
    frame = wqspec.speciate(read_waters(), database=DATABASE, case=TEMPLATE, jobs=jobs)
    assert_same_as_cli(frame, cli_csv)


def test_cells_as_text_give_the_same_numbers(cli_csv):
    frame = wqspec.speciate(pandas.read_csv(WATERS, dtype=str), database=DATABASE, case=TEMPLATE)
    assert_same_as_cli(frame, cli_csv)


def test_defaults_are_the_bundled_database_and_template(cli_csv):
    assert os.path.samefile(wqspec.bundled_database(), DATABASE)
    assert os.path.samefile(wqspec.bundled_template(), TEMPLATE)
    assert_same_as_cli(wqspec.speciate(read_waters()), cli_csv)


def test_records_are_the_cli_json_records(cli_json):
    results = wqspec.speciate(read_waters(), database=wqspec.Database(DATABASE), case=TEMPLATE, detail=True)
    assert [r.to_dict() for r in results] == cli_json


def test_result_tables_hold_the_record(cli_json):
    record = cli_json[0]
    water = read_waters().iloc[0].to_dict()
    result = wqspec.speciate_one(water, database=DATABASE, case=TEMPLATE)
    assert result.to_dict() == record
    assert result.name == record["name"] and result.converged
    tables = {"species": result.species, "minerals": result.minerals, "gases": result.gases,
              "totals": result.totals}
    for key, table in tables.items():
        assert list(table.index) == list(record[key]), key
        for name, entry in record[key].items():
            for field, value in entry.items():
                got = table.loc[name, field]
                if value is None:
                    assert math.isnan(got), (key, name, field)
                else:
                    assert got == value, (key, name, field)
    assert result.minerals.loc["Calcite", "SI"] == record["minerals"]["Calcite"]["SI"]
    assert result["pH"] == record["pH"]


def test_table_forms_give_one_row_per_water_indexed_as_the_table():
    waters = read_waters().head(3)
    waters.index = ["a", "b", "c"]
    from_frame = wqspec.speciate(waters)
    assert list(from_frame.index) == ["a", "b", "c"]
    from_dicts = wqspec.speciate(waters.to_dict("records"))
    assert list(from_dicts.index) == [0, 1, 2]
    pandas.testing.assert_frame_equal(from_frame.reset_index(drop=True), from_dicts.reset_index(drop=True))
    one = wqspec.speciate(waters.iloc[1].to_dict())
    pandas.testing.assert_frame_equal(one.reset_index(drop=True), from_dicts.iloc[[1]].reset_index(drop=True))
    kept = wqspec.speciate(waters, columns=["pH", "SI(Calcite)"])
    assert list(kept.columns) == ["name", "status", "pH", "SI(Calcite)"]
    assert kept["SI(Calcite)"].equals(from_frame["SI(Calcite)"])


SPRING = {"name": "spring", "T [C]": 22.0, "pH": 7.2, "Ca++ [mg/L]": 45.0, "Na+ [mg/L]": 9.0, "Cl- [mg/L]": 11.0,
          "alkalinity [mg/L as CaCO3]": 120.0}

FAULTS = [
    # (what is wrong, the table, what the message must name)
    ("unknown column", [dict(SPRING, **{"Unobtainium [mg/L]": 1.0})], ["Unobtainium [mg/L]"]),
    ("unknown unit", [{**{k: v for k, v in SPRING.items() if k != "Ca++ [mg/L]"}, "Ca++ [furlongs]": 4.0}],
     ["Ca++ [furlongs]"]),
    ("no T column", [{k: v for k, v in SPRING.items() if k != "T [C]"}], ['"T"']),
    ("cell not a number", [SPRING, dict(SPRING, name="second", **{"Ca++ [mg/L]": "lots"})],
     ["row 1", "Ca++ [mg/L]", "lots"]),
    ("negative amount", [SPRING, SPRING, dict(SPRING, name="third", **{"Na+ [mg/L]": -3.0})],
     ["row 2", "Na+ [mg/L]"]),
]


@pytest.mark.parametrize("what,table,named", FAULTS, ids=[f[0] for f in FAULTS])
def test_faults_raise_naming_row_and_column(what, table, named):
    with pytest.raises(wqspec.InputError) as raised:
        wqspec.speciate(table)
    for text in named:
        assert text in str(raised.value), (what, str(raised.value))
    assert isinstance(raised.value, ValueError)


def test_a_faulty_row_by_its_index_label_and_kept_as_status_when_asked():
    frame = pandas.DataFrame([SPRING, dict(SPRING, name="bad", **{"Ca++ [mg/L]": "x"})], index=["ok", "wrong"])
    with pytest.raises(wqspec.InputError, match=r"^row 'wrong', column \"Ca\+\+ \[mg/L\]\""):
        wqspec.speciate(frame)
    out = wqspec.speciate(frame, errors="status")
    assert out.loc["ok", "status"] == "converged"
    assert out.loc["wrong", "status"].startswith("row on line 3, column \"Ca++ [mg/L]\"")
    assert math.isnan(out.loc["wrong", "pH"])


def test_bad_arguments_are_refused():
    with pytest.raises(wqspec.InputError, match="jobs"):
        wqspec.speciate(SPRING, jobs=0)
    with pytest.raises(TypeError, match="balnce"):
        wqspec.speciate(SPRING, balnce="Cl-")
    with pytest.raises(wqspec.InputError, match="cannot read the database"):
        wqspec.Database("/nonexistent/LOGKDATA.KDB")
    with pytest.raises(wqspec.InputError, match="template"):
        wqspec.speciate(SPRING, case="/nonexistent/WQCASE.DAT")


def test_nothing_is_printed_unless_asked(capfd):
    table = [SPRING, {k: None for k in SPRING}]  # a row of blank cells: the batch notes it
    quiet = wqspec.speciate(table)
    assert len(quiet) == 1
    assert capfd.readouterr() == ("", "")
    wqspec.speciate(table, verbose=True)
    shown = capfd.readouterr()
    assert shown.out == "" and "1 blank row passed over" in shown.err


def test_workers_run_without_the_gil(monkeypatch):
    # A Python thread counts while the C++ workers compute: it can only when
    # the call has let go of the interpreter.
    count, done = [0], threading.Event()

    def counter():
        while not done.is_set():
            count[0] += 1

    seen = {}
    real = wqspec._core.run_table

    def watched(*args, **kwargs):
        before = count[0]
        try:
            return real(*args, **kwargs)
        finally:
            seen["during"] = count[0] - before

    monkeypatch.setattr(wqspec._core, "run_table", watched)
    thread = threading.Thread(target=counter)
    thread.start()
    try:
        wqspec.speciate(pandas.concat([read_waters()] * 8, ignore_index=True), jobs=1)
    finally:
        done.set()
        thread.join()
    assert seen["during"] > 1000


def test_sweep_is_the_cli_sweep_of_the_water(run_cli, tmp_path):
    waters = read_waters()
    water = waters[waters["name"] == "seawater_nordstrom1979"].iloc[0].to_dict()
    table, estimate = wqspec.sweep(water, 25, 150, 25, minerals=["Calcite", "Anhydrite", "Quartz"],
                                   database=DATABASE, case=TEMPLATE)
    # The command line on the run input the batch writes for that water.
    one = tmp_path / "one.csv"
    pandas.DataFrame([water]).to_csv(one, index=False)
    run_cli("batch", str(one), "--case", TEMPLATE, "--db", DATABASE, "--write-cases", str(tmp_path / "cases"))
    case = tmp_path / "cases" / "seawater_nordstrom1979" / "WQCASE.DAT"
    out = tmp_path / "sweep.csv"
    run_cli("sweep", "--case", str(case), "--db", DATABASE, "--from", "25", "--to", "150", "--step", "25",
            "--minerals", "Calcite,Anhydrite,Quartz", "--out", str(out))
    text = out.read_text(encoding="utf-8")
    expected = pandas.read_csv(io.StringIO("".join(l for l in text.splitlines(True) if not l.startswith("#"))))
    pandas.testing.assert_frame_equal(table, expected)
    assert f"# estimate: {estimate['line']}" in text or estimate["line"] in text
    assert estimate["minerals"] == ["Calcite", "Anhydrite", "Quartz"]
    assert len(table) == 1 + 6 and list(table["T [C]"])[1:] == [25, 50, 75, 100, 125, 150]
    rms = estimate["rms_minimum"]
    assert rms["found"] and 25 <= rms["temperature"] <= 150


def test_sweep_faults_raise():
    with pytest.raises(wqspec.InputError, match="one water"):
        wqspec.sweep([SPRING, SPRING], 25, 100, 25)
    with pytest.raises(wqspec.InputError, match="Unobtainite"):
        wqspec.sweep(SPRING, 25, 100, 25, minerals="Unobtainite")
    with pytest.raises(wqspec.InputError, match="--step"):
        wqspec.sweep(SPRING, 25, 100, 0)


def test_database_found_from_an_installed_layout(tmp_path, monkeypatch):
    # <prefix>/lib/pythonX.Y/site-packages/wqspec finds <prefix>/share/wqspec.
    prefix = tmp_path / "prefix"
    package = prefix / "lib" / "python3" / "site-packages" / "wqspec"
    package.mkdir(parents=True)
    (prefix / "share" / "wqspec").mkdir(parents=True)
    shutil.copy(DATABASE, prefix / "share" / "wqspec" / "LOGKDATA.KDB")
    monkeypatch.setattr(wqspec, "__file__", str(package / "__init__.py"))
    assert wqspec.bundled_database() == str(prefix / "share" / "wqspec" / "LOGKDATA.KDB")

"""Reaction paths from Python: the frames are the command line's table to
every digit; a path file and its steps given as dicts (read from the file
with tomllib) are the same path; a bad step is refused in the command line's
words, named by its step and key; the examples' titration finds the
alkalinity of its water."""
import io
import os
import shutil
import tomllib

import numpy
import pandas
import pytest

import wqspec
from conftest import DATABASE, EXAMPLES

REACT = os.path.join(EXAMPLES, "react")
PITZER = os.path.join(EXAMPLES, "pitzer", "LOGKDATA.KDB")
# Each example's path file and the options it runs with.
EXAMPLE_PATHS = [
    (os.path.join(REACT, "calcite-co2.toml"), {}),
    (os.path.join(REACT, "mixing", "mixing.toml"), {}),
    (os.path.join(REACT, "titration", "titration.toml"), {}),
    (os.path.join(REACT, "gypsum-calcite", "gypsum-calcite.toml"), {}),
    (os.path.join(REACT, "co2-brine", "co2-brine.toml"), {"activity": "pitzer"}),
]


def database_for(options):
    return PITZER if options.get("activity") == "pitzer" else DATABASE


def cli_table(run_cli, path, folder, *args):
    out = os.path.join(folder, "r.csv")
    run_cli("react", path, "--db", DATABASE, "--out", out, *args)
    with open(out, encoding="utf-8") as f:
        body = "".join(line for line in f if not line.startswith("#"))
    return pandas.read_csv(io.StringIO(body), float_precision="round_trip", keep_default_na=False, na_values=[""])


def test_the_frames_are_the_command_lines_table_to_every_digit(run_cli, tmp_path):
    path = os.path.join(REACT, "calcite-co2.toml")
    table = cli_table(run_cli, path, str(tmp_path))
    states, transfer, summary = wqspec.react(path, database=DATABASE, progress=False)
    joined = states.join(transfer.drop(columns=["step", "kind", "variable"]))
    assert list(joined.columns) == list(table.columns)
    for column in table.columns:
        if table[column].dtype.kind == "f":
            assert numpy.array_equal(joined[column].to_numpy(), table[column].to_numpy(), equal_nan=True), column
        else:
            assert list(joined[column]) == list(table[column]), column
    assert summary["all_converged"] and summary["activity_model"] == "b-dot"


@pytest.mark.parametrize("path,options", EXAMPLE_PATHS, ids=lambda v: os.path.basename(v) if isinstance(v, str) else "")
def test_a_path_file_and_its_steps_as_dicts_are_the_same_path(path, options, monkeypatch):
    with open(path, "rb") as f:
        document = tomllib.load(f)
    from_file = wqspec.react(path, database=database_for(options), progress=False, **options)
    # A path file's relative names are taken from its folder, the dicts' from
    # the working folder.
    monkeypatch.chdir(os.path.dirname(path))
    from_dicts = wqspec.react(document["start"]["case"], document["step"], database=database_for(options),
                              progress=False, **options)
    pandas.testing.assert_frame_equal(from_dicts.states, from_file.states)
    pandas.testing.assert_frame_equal(from_dicts.transfer, from_file.transfer)


# A bad step: its keys as the path file writes them (the line of the key in
# the file named), and as a dict.
BAD_STEPS = [
    ("kind = 'freeze'", {"kind": "freeze"}, "steps[0]['kind']"),
    ("kind = 'add'\nreactant = { 'H+' = 1 }\namount = -0.1", {"kind": "add", "reactant": {"H+": 1}, "amount": -0.1},
     "steps[0]['amount']"),
    ("kind = 'add'\nreactant = { 'H+' = 1 }\namount = 'lots'",
     {"kind": "add", "reactant": {"H+": 1}, "amount": "lots"}, "steps[0]['amount']"),
    ("kind = 'mix'\nfractions = [0.5, 1.5]\nwith = 'WQCASE.DAT'",
     {"kind": "mix", "fractions": [0.5, 1.5], "with": "WQCASE.DAT"}, "steps[0]['fractions']"),
    ("kind = 'temperature'\nfrom = 25\nto = 50\nheat = true", {"kind": "temperature", "from": 25, "to": 50,
                                                              "heat": True}, "steps[0]['heat']"),
    ("kind = 'equilibrate'", {"kind": "equilibrate"}, "steps[0]"),
    ("kind = 'equilibrate'\nminerals = { Unobtainium = 0.0 }", {"kind": "equilibrate",
                                                                "minerals": {"Unobtainium": 0.0}},
     "steps[0]['minerals']"),
    ("kind = 'add'\nreactant = { 'H+' = 1, 'Xx-' = 1 }\namount = 0.001",
     {"kind": "add", "reactant": {"H+": 1, "Xx-": 1}, "amount": 0.001}, "steps[0]['reactant']"),
]


@pytest.mark.parametrize("text,step,where", BAD_STEPS, ids=[w[1]["kind"] + str(k) for k, w in enumerate(BAD_STEPS)])
def test_a_bad_step_is_told_in_the_command_lines_words(text, step, where, program, tmp_path, monkeypatch):
    shutil.copy(os.path.join(REACT, "WQCASE.DAT"), tmp_path)
    (tmp_path / "p.toml").write_text("[start]\ncase = 'WQCASE.DAT'\n[[step]]\n" + text + "\n", encoding="utf-8")
    import subprocess
    done = subprocess.run([program, "react", "p.toml", "--db", DATABASE, "--out", "r.csv"], cwd=tmp_path,
                          capture_output=True, encoding="utf-8")
    assert done.returncode == 2, done.stderr
    prefix = "wqspec: p.toml line "
    assert done.stderr.startswith(prefix), done.stderr
    what = done.stderr.strip().split(": ", 2)[2]
    monkeypatch.chdir(tmp_path)
    with pytest.raises(wqspec.InputError) as fault:
        wqspec.react("WQCASE.DAT", [step], database=DATABASE, progress=False)
    assert str(fault.value) == f"{where}: {what}"


def test_a_value_no_path_file_can_hold_is_refused_by_python():
    with pytest.raises(TypeError, match=r"steps\[0\]\['amount'\]: None"):
        wqspec.react(os.path.join(REACT, "WQCASE.DAT"), [{"kind": "add", "amount": None}], database=DATABASE)
    with pytest.raises(TypeError, match="a list of dicts"):
        wqspec.react(os.path.join(REACT, "WQCASE.DAT"), {"kind": "add"}, database=DATABASE)


def test_the_titration_finds_the_alkalinity_of_its_water():
    # The groundwater's alkalinity is given, 4.35 meq/kg: the inflection of
    # the titration curve (the steepest fall of pH, in the middle of its
    # increment of 0.02 mmol/kg) is its equivalence point, within 1 %.
    path = os.path.join(REACT, "titration", "titration.toml")
    states, transfer, _ = wqspec.react(path, database=DATABASE, progress=False)
    added = transfer["added(Cl- H+) [mol/kg starting water]"].to_numpy()
    ph = states["pH"].to_numpy()
    fall = -numpy.diff(ph) / numpy.diff(added)
    k = int(numpy.nanargmax(fall))
    inflection = (added[k] + added[k + 1]) / 2
    assert abs(inflection / 4.35e-3 - 1) < 0.01
    # The end point of pH 4.5 (the first step's last record) lies before it.
    end = states.index[states["step"] == 1][-1]
    assert ph[end] <= 4.5 < ph[end - 1] and added[end] < inflection

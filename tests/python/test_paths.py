"""The package's chains of runs and its ways in: an evaporation path is the
command line's path of the run input the batch writes for the water, to
every digit; its options are refused in the command line's words; the
progress bar follows a long call and can be turned off; the version is the
program's, and ``python -m wqspec`` is the program."""
import io
import os
import subprocess
import sys

import pandas
import pytest

import wqspec
import wqspec._progress
from conftest import BATCH, DATABASE

TEMPLATE = os.path.join(BATCH, "WQCASE.DAT")
SEAWATER = {"name": "seawater", "T [C]": 25.0, "pH": 8.1, "Na [mol/kgw]": 0.486, "Mg [mol/kgw]": 0.0547,
            "Ca [mol/kgw]": 0.0107, "K [mol/kgw]": 0.0106, "Cl [mol/kgw]": 0.566, "SO4 [mol/kgw]": 0.0293}
SPRING = {"name": "spring", "T [C]": 22.0, "pH": 7.2, "Ca++ [mg/L]": 45.0, "Na+ [mg/L]": 9.0, "Cl- [mg/L]": 11.0,
          "HCO3- [mg/L]": 146.0, "SiO2,aq [mg/L]": 18.0}


def cli_evaporation(run_cli, folder, water, batch_args, path_args):
    """The command line's path (`path_args`) of the run input the batch
    writes for `water` (`batch_args`): its table and its text."""
    one = os.path.join(folder, "one.csv")
    pandas.DataFrame([water]).to_csv(one, index=False)
    run_cli("batch", one, *batch_args, "--write-cases", os.path.join(folder, "cases"))
    (name,) = os.listdir(os.path.join(folder, "cases"))
    out = os.path.join(folder, "evaporation.csv")
    run_cli("evaporate", "--case", os.path.join(folder, "cases", name, "WQCASE.DAT"), *path_args, "--out", out,
            ok=(0, 1))
    with open(out, encoding="utf-8") as f:
        text = f.read()
    body = "".join(line for line in text.splitlines(True) if not line.startswith("#"))
    table = pandas.read_csv(io.StringIO(body), float_precision="round_trip", keep_default_na=False,
                            na_values=[""])
    return table, text


# (what, the water, the package's keywords, the batch's arguments that write
# its run input, the path's arguments).
PATHS = [
    ("pitzer, equilibrium", SEAWATER, {"activity": "pitzer", "balance": "Cl", "to": 15, "steps": 6},
     ["--activity", "pitzer", "--balance", "Cl"], ["--activity", "pitzer", "--to", "15", "--steps", "6"]),
    ("pitzer, fractional, minerals", SEAWATER,
     {"activity": "pitzer", "balance": "Cl", "to": 15, "steps": 5, "fractional": True,
      "minerals": ["Gypsum", "Halite", "Anhydrite"]},
     ["--activity", "pitzer", "--balance", "Cl"],
     ["--activity", "pitzer", "--to", "15", "--steps", "5", "--fractional", "--minerals", "Gypsum,Halite,Anhydrite"]),
    ("b-dot, template, no precipitation", SPRING,
     {"case": TEMPLATE, "database": DATABASE, "balance": "Cl-", "to": 30, "steps": 3, "precipitation": False},
     ["--db", DATABASE, "--case", TEMPLATE, "--balance", "Cl-"],
     ["--db", DATABASE, "--to", "30", "--steps", "3", "--no-precipitation"]),
]


@pytest.mark.parametrize("what,water,options,batch_args,path_args", PATHS, ids=[p[0] for p in PATHS])
def test_evaporate_is_the_cli_path_of_the_water(run_cli, tmp_path, what, water, options, batch_args, path_args):
    table, summary = wqspec.evaporate(water, progress=False, **options)
    expected, text = cli_evaporation(run_cli, str(tmp_path), water, batch_args, path_args)
    # A blank text cell is a blank text in the package, NaN in the CSV read.
    expected["saturated minerals"] = expected["saturated minerals"].fillna("")
    pandas.testing.assert_frame_equal(table, expected, check_exact=True)
    assert len(table) == options["steps"] + 1
    saturations = "; ".join(f"{m} at {f:.2f}" for m, f in summary["first_saturations"].items()) or "none"
    assert f"# first saturation (concentration factor): {saturations}\n" in text
    assert summary["all_converged"] == all(table["status"] == "converged")


@pytest.mark.parametrize("keywords,error,named", [
    ({"to": 1.0}, wqspec.InputError, "--to must be a concentration factor above 1"),
    ({"steps": 0}, wqspec.InputError, "--steps must be from 1 to"),
    ({"fractional": True, "precipitation": False}, wqspec.InputError, "--fractional and --no-precipitation"),
    ({"minerals": "Unobtainite"}, wqspec.InputError, "Unobtainite"),
    ({"activity": "davies-ish"}, wqspec.InputError, "davies-ish"),
    ({"steps": 2.5}, TypeError, "steps=2.5"),
    ({"steps_": 3}, TypeError, "steps_"),
])
def test_evaporate_refuses_options_in_the_command_lines_words(keywords, error, named):
    with pytest.raises(error, match=named):
        wqspec.evaporate(SPRING, progress=False, **keywords)


def test_evaporate_takes_one_water_that_runs():
    with pytest.raises(wqspec.InputError, match="one water"):
        wqspec.evaporate([SPRING, SPRING])
    with pytest.raises(wqspec.InputError, match="row 0, column"):
        wqspec.evaporate(dict(SPRING, **{"Ca++ [mg/L]": "lots"}))


class Bar:
    """A stand-in for tqdm's bar: what the package asks of it."""
    made = []

    def __init__(self, total, desc, unit, leave):
        self.total, self.n, self.closed = total, 0, False
        Bar.made.append(self)

    def update(self, by):
        assert by >= 0
        self.n += by

    def close(self):
        self.closed = True


@pytest.fixture
def bars(monkeypatch):
    Bar.made = []
    monkeypatch.setattr(wqspec._progress, "_tqdm", lambda: Bar)
    monkeypatch.setattr(wqspec._progress, "SHOW_AFTER_SECONDS", 0.0)
    return Bar.made


@pytest.mark.parametrize("call,total", [
    (lambda **k: wqspec.speciate([SPRING] * 300, jobs=1, **k), 300),
    (lambda **k: wqspec.sweep(SPRING, 25, 200, 25, **k), 9),
    (lambda **k: wqspec.evaporate(SEAWATER, to=5, steps=4, activity="pitzer", **k), 5),
], ids=["speciate", "sweep", "evaporate"])
def test_a_progress_bar_follows_a_long_call_unless_turned_off(bars, call, total):
    call(progress=False)
    assert bars == []
    call()
    (bar,) = bars
    assert bar.total == total and bar.n == total and bar.closed


def test_no_bar_without_tqdm_and_none_on_a_short_call(monkeypatch, capfd):
    monkeypatch.setattr(wqspec._progress, "_tqdm", lambda: None)
    monkeypatch.setattr(wqspec._progress, "SHOW_AFTER_SECONDS", 0.0)
    wqspec.speciate([SPRING] * 50)
    monkeypatch.setattr(wqspec._progress, "_tqdm", lambda: Bar)
    monkeypatch.setattr(wqspec._progress, "SHOW_AFTER_SECONDS", 3600.0)
    Bar.made = []
    wqspec.speciate(SPRING)
    assert Bar.made == [] and capfd.readouterr() == ("", "")
    with pytest.raises(TypeError, match="progress="):
        wqspec.speciate(SPRING, progress="yes")


def test_in_a_notebook_the_bar_shows_without_a_warning():
    """tqdm.auto warns in a notebook without ipywidgets: the notebook must
    show the bar (widget or text) and no warning."""
    nbclient = pytest.importorskip("nbclient")
    nbformat = pytest.importorskip("nbformat")
    notebook = nbformat.v4.new_notebook(cells=[nbformat.v4.new_code_cell(
        "import wqspec, wqspec._progress\n"
        "wqspec._progress.SHOW_AFTER_SECONDS = 0.0\n"
        f"table = wqspec.speciate([{SPRING!r}] * 200, jobs=1)")])
    os.environ.setdefault("PYDEVD_DISABLE_FILE_VALIDATION", "1")
    nbclient.NotebookClient(notebook, timeout=120, kernel_name="python3").execute()
    outputs = notebook.cells[0].outputs
    shown = "".join(out.get("text", "") for out in outputs)
    assert "Warning" not in shown and "IProgress" not in shown, shown
    assert "waters" in shown or any("application/vnd.jupyter.widget-view+json" in out.get("data", {})
                                    for out in outputs), outputs


def test_the_version_is_the_programs_and_python_m_wqspec_runs_it(program):
    shown = subprocess.run([program, "--version"], capture_output=True, encoding="utf-8", check=True).stdout
    assert shown.strip() == f"wqspec {wqspec.__version__}"
    by_module = subprocess.run([sys.executable, "-m", "wqspec", "--version"], capture_output=True, encoding="utf-8")
    assert by_module.returncode == 0 and by_module.stdout == shown
    bad = subprocess.run([sys.executable, "-m", "wqspec", "evaporate", "--to", "0.5", "--case", "nowhere.dat"],
                         capture_output=True, encoding="utf-8")
    assert bad.returncode == 2 and "--to must be a concentration factor above 1" in bad.stderr


def public_objects():
    """Every public function and class of the package, with wqspec.dask's."""
    import wqspec.dask
    objects = [getattr(wqspec, name) for name in wqspec.__all__ if callable(getattr(wqspec, name))]
    return objects + [wqspec.dask.speciate, wqspec.dask.meta]


def test_every_public_function_and_class_has_an_example_that_runs():
    import doctest
    finder, runner = doctest.DocTestFinder(recurse=False), doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    for thing in public_objects():
        (test,) = finder.find(thing, thing.__name__, globs={})
        assert test.examples, thing.__name__
        runner.run(test)
    assert runner.failures == 0


def test_every_public_function_has_its_hints():
    import inspect
    for thing in public_objects():
        if inspect.isfunction(thing):
            signature = inspect.signature(thing)
            assert signature.return_annotation is not inspect.Signature.empty, thing.__name__
            for parameter in signature.parameters.values():
                assert parameter.annotation is not inspect.Parameter.empty, (thing.__name__, parameter.name)

"""The Python package against the command line: the same waters with the
same options give the same numbers to the last printed digit, the same JSON
records, the same sweep; each option changes what it says it changes; faults
of a table raise InputError naming the row and the column; the package
prints nothing unless asked."""
import csv
import functools
import io
import json
import math
import os
import shutil
import sys
import threading

import pandas
import pytest

import wqspec
from conftest import BATCH, DATABASE, EXAMPLES, ROOT, SEAWATER_TEMPLATE

WATERS = os.path.join(BATCH, "WATERS.csv")
TEMPLATE = os.path.join(BATCH, "WQCASE.DAT")
PITZER_DATABASE = os.path.join(EXAMPLES, "pitzer", "LOGKDATA.KDB")

# The columns of a record that hold text; every other column holds numbers.
TEXT_COLUMNS = {"name", "status", "Eh couple", "balanced on", "notes", "activity model", "redox"}

# A spring as a laboratory reports it, with the carbonate as a total (so that
# the pH may come from electroneutrality), and a soft groundwater whose
# analysis is short of anions.
SPRING = {"name": "spring", "T [C]": 22.0, "pH": 7.2, "Ca++ [mg/L]": 45.0, "Na+ [mg/L]": 9.0, "Cl- [mg/L]": 11.0,
          "HCO3- [mg/L]": 146.0}
LAB = [SPRING,
       {"name": "soft", "T [C]": 9.5, "pH": 6.4, "Ca++ [mg/L]": 8.0, "Mg++ [mg/L]": 2.1, "Na+ [mg/L]": 6.0,
        "K+ [mg/L]": 1.2, "Cl- [mg/L]": 5.5, "SO4-- [mg/L]": 9.0, "SiO2,aq [mg/L]": 12.0, "HCO3- [mg/L]": 30.5}]
# Sodium chloride brines, in mol/kg of water.
BRINES = [{"name": f"NaCl {m} m", "T [C]": 25.0, "pH": 7.0, "Na+ [mol/kgw]": m, "Cl- [mol/kgw]": m} for m in (1.0, 5.0)]
NACL_5 = BRINES[1]
# A groundwater with iron given as a laboratory gives it (total iron, as
# Fe); the second row has an Eh of its own, the first takes the option's.
IRON = [{"name": "iron", "T [C]": 15.0, "pH": 6.5, "Ca [mg/L]": 60.0, "Mg [mg/L]": 12.0, "Na [mg/L]": 20.0,
         "K [mg/L]": 3.0, "Cl [mg/L]": 25.0, "SO4 [mg/L]": 40.0, "Fe [mg/L]": 2.0,
         "alkalinity [mg/L as HCO3]": 220.0, "Eh [V]": None},
        {"name": "iron, own Eh", "T [C]": 15.0, "pH": 6.5, "Ca [mg/L]": 60.0, "Mg [mg/L]": 12.0, "Na [mg/L]": 20.0,
         "K [mg/L]": 3.0, "Cl [mg/L]": 25.0, "SO4 [mg/L]": 40.0, "Fe [mg/L]": 2.0,
         "alkalinity [mg/L as HCO3]": 220.0, "Eh [V]": 0.05}]

FARADAY, GAS_CONSTANT = 96485.33212, 8.314462618  # C/mol, J/(mol K): CODATA 2018


def read_waters():
    # round_trip: every cell read as the double the program reads from its text.
    return pandas.read_csv(WATERS, float_precision="round_trip")


def table_file(folder, rows):
    """A list of dicts as the CSV file the command line reads (numbers with
    every digit, as the package hands them to the core)."""
    path = os.path.join(folder, "table.csv")
    columns = list(dict.fromkeys(key for row in rows for key in row))
    with open(path, "w", encoding="utf-8", newline="") as f:
        writer = csv.writer(f)
        writer.writerow(columns)
        for row in rows:
            writer.writerow(["" if row.get(c) is None else repr(row[c]) if isinstance(row[c], float) else row[c]
                             for c in columns])
    return path


@pytest.fixture(scope="module")
def cli_batch(run_cli, tmp_path_factory):
    """The command line's batch of a table (a path, or a list of dicts) with
    these arguments: the CSV records as rows of cells (.csv) or the JSON
    records (.json)."""
    @functools.lru_cache(maxsize=None)
    def run(path, rows, args, extension):
        work = tmp_path_factory.mktemp("cli")
        path = path or table_file(str(work), json.loads(rows))
        out = work / f"out{extension}"
        run_cli("batch", path, *args, "--out", str(out), ok=(0, 1))
        with open(out, encoding="utf-8", newline="") as f:
            return json.load(f) if extension == ".json" else list(csv.reader(f))

    def batch(table, *args, extension=".csv"):
        if isinstance(table, str):
            return run(table, None, tuple(args), extension)
        return run(None, json.dumps(table), tuple(args), extension)
    return batch


def assert_same_as_cli(frame, cli_rows):
    header, rows = cli_rows[0], cli_rows[1:]
    assert list(frame.columns) == header
    assert len(frame) == len(rows)
    assert {c for c in frame.columns if frame[c].dtype == object} == TEXT_COLUMNS & set(header)
    for k, cells in enumerate(rows):
        for column, cell in zip(header, cells):
            value = frame[column].iloc[k]
            if column in TEXT_COLUMNS:
                assert value == cell, (cells[0], column)
            elif cell == "":
                assert math.isnan(value), (cells[0], column, value)
            else:
                # The CLI prints 17 significant digits: they read back as the
                # very double, so equality is to every printed digit.
                assert value == float(cell), (cells[0], column, value, cell)
                assert isinstance(value, float)


# (what, the table, the package's options, the command line's arguments):
# the same computation said twice. The package gives every column unless
# asked; the command line a compact set unless --all.
SAME_AS_CLI = [
    ("defaults", WATERS, {}, ["--db", DATABASE, "--all"]),
    ("a template, the compact columns", WATERS, {"case": TEMPLATE, "columns": "compact"},
     ["--db", DATABASE, "--case", TEMPLATE]),
    ("columns by pattern", WATERS, {"columns": "name,pH,SI(*),log_m(CO3--)"},
     ["--db", DATABASE, "--columns", "name,pH,SI(*),log_m(CO3--)"]),
    ("columns as a list", WATERS, {"columns": ["status", "SI(Albite,low)", "log_f(*)"]},
     ["--db", DATABASE, "--columns", "status,SI(Albite,low),log_f(*)"]),
    ("balance on an ion", WATERS, {"balance": "Cl-"}, ["--db", DATABASE, "--balance", "Cl-", "--all"]),
    ("balance on the pH", LAB, {"balance": "pH"}, ["--db", DATABASE, "--balance", "pH", "--all"]),
    ("balance by a short name", LAB, {"balance": "Na"}, ["--db", DATABASE, "--balance", "Na", "--all"]),
    ("pitzer", BRINES, {"activity": "pitzer"}, ["--activity", "pitzer", "--all"]),
    ("pitzer, database given", BRINES, {"activity": "pitzer", "database": PITZER_DATABASE},
     ["--activity", "pitzer", "--db", PITZER_DATABASE, "--all"]),
    ("suppressed", WATERS, {"suppress": ["Calcite", "N2,aq"]},
     ["--db", DATABASE, "--suppress", "Calcite,N2,aq", "--all"]),
    ("redox state", IRON, {"redox": "Eh=0.2"}, ["--db", DATABASE, "--redox", "Eh=0.2", "--all"]),
    ("redox, iron decoupled", IRON, {"redox": "Eh=0.2", "decouple": ["Fe"]},
     ["--db", DATABASE, "--redox", "Eh=0.2", "--decouple", "Fe", "--all"]),
    ("everything with a template", IRON,
     {"case": SEAWATER_TEMPLATE, "balance": "Cl", "redox": "Fe++/Fe+++", "decouple": "S", "suppress": "Goethite"},
     ["--db", DATABASE, "--case", SEAWATER_TEMPLATE, "--balance", "Cl", "--redox", "Fe++/Fe+++", "--decouple", "S",
      "--suppress", "Goethite", "--all"]),
]


@pytest.mark.parametrize("what,table,options,args", SAME_AS_CLI, ids=[c[0] for c in SAME_AS_CLI])
def test_numbers_are_the_cli_batch_to_every_digit(cli_batch, what, table, options, args):
    waters = read_waters() if table == WATERS else table
    assert_same_as_cli(wqspec.speciate(waters, **options), cli_batch(table, *args))


@pytest.mark.parametrize("what,table,options,args", SAME_AS_CLI[::3], ids=[c[0] for c in SAME_AS_CLI[::3]])
def test_records_are_the_cli_json_records(cli_batch, what, table, options, args):
    waters = read_waters() if table == WATERS else table
    options = {k: v for k, v in options.items() if k != "columns"}
    results = wqspec.speciate(waters, detail=True, **options)
    assert [r.to_dict() for r in results] == cli_batch(table, *args, extension=".json")


@pytest.mark.parametrize("jobs", [1, 2, 3])
def test_any_number_of_threads_gives_the_same_numbers(cli_batch, jobs):
    frame = wqspec.speciate(read_waters(), database=wqspec.Database(DATABASE), jobs=jobs)
    assert_same_as_cli(frame, cli_batch(WATERS, "--db", DATABASE, "--all"))


def test_cells_as_text_give_the_same_numbers(cli_batch):
    frame = wqspec.speciate(pandas.read_csv(WATERS, dtype=str))
    assert_same_as_cli(frame, cli_batch(WATERS, "--db", DATABASE, "--all"))


def test_the_compact_columns_of_the_template_are_the_batch_examples_expected_records():
    with open(os.path.join(BATCH, "expected.csv"), encoding="utf-8", newline="") as f:
        expected = list(csv.reader(f))
    assert_same_as_cli(wqspec.speciate(read_waters(), case=TEMPLATE, columns="compact"), expected)


def test_defaults_are_the_shipped_databases():
    assert os.path.samefile(wqspec.bundled_database(), DATABASE)
    assert os.path.samefile(wqspec.bundled_database("pitzer"), PITZER_DATABASE)
    assert os.path.samefile(wqspec.bundled_template(), TEMPLATE)
    pitzer = wqspec.Database(wqspec.bundled_database("pitzer"))
    assert os.path.samefile(pitzer.path, PITZER_DATABASE)
    given = wqspec.speciate(BRINES, activity="pitzer", database=pitzer)
    pandas.testing.assert_frame_equal(given, wqspec.speciate(BRINES, activity="pitzer"))


def test_the_table_alone_is_the_water_and_a_template_adds_no_component():
    # The seawater template names a dozen components; a water of four
    # gets none of them, nor the template's pH or alkalinity.
    named = {"Ca++", "Na+", "Cl-", "HCO3-"}
    for case in (None, SEAWATER_TEMPLATE):
        result = wqspec.speciate_one(SPRING, case=case)
        assert result.converged, case
        assert set(result.totals.index) == named | {"H+", "H2O"}, case
        assert result["pH"] == SPRING["pH"]
        # 146 mg/L of HCO3- in a litre holding 0.99929 kg of water (a litre
        # of solution less its 0.211 g of solutes: 45 + 9 + 11 + 146 mg).
        moles = 0.146 / 61.0171
        assert result.totals.loc["HCO3-", "moles"] == pytest.approx(moles, rel=1e-4), case


def test_balance_adjusts_what_it_names_and_nothing_by_default():
    analysed = wqspec.speciate(LAB)
    on_chloride = wqspec.speciate(LAB, balance="Cl-")
    on_ph = wqspec.speciate(LAB, balance="pH")
    for frame in (analysed, on_chloride, on_ph):
        assert frame["status"].str.startswith("converged").all()
    # The analysis's own imbalance is the analysis's, whatever the balance.
    for frame in (on_chloride, on_ph):
        assert frame["analysis imbalance [%]"].equals(analysed["analysis imbalance [%]"])
    assert (analysed["analysis imbalance [%]"].abs() > 1).all()
    # As analysed: nothing adjusted, the water keeps an imbalance and its pH.
    assert (analysed["balanced on"] == "").all() and analysed["balanced total [mol]"].isna().all()
    assert (analysed["charge imbalance [%]"].abs() > 1).all()
    assert list(analysed["pH"]) == [w["pH"] for w in LAB]
    # On Cl-: neutral, its total moved, the pH kept.
    assert (on_chloride["balanced on"] == "Cl-").all()
    assert (on_chloride["charge imbalance [%]"].abs() < 1e-6).all()
    assert list(on_chloride["pH"]) == [w["pH"] for w in LAB]
    given = wqspec.speciate_one(LAB[0]).totals.loc["Cl-", "moles"]
    assert on_chloride["balanced total [mol]"].iloc[0] != pytest.approx(given, rel=1e-3)
    # On the pH: neutral, the pH moved.
    assert (on_ph["balanced on"] == "H+").all()
    assert (on_ph["charge imbalance [%]"].abs() < 1e-6).all()
    assert all(abs(ph - w["pH"]) > 0.01 for ph, w in zip(on_ph["pH"], LAB))


def test_pitzer_gives_the_mean_activity_coefficient_of_a_sodium_chloride_brine():
    pitzer = wqspec.speciate_one(NACL_5, activity="pitzer")
    bdot = wqspec.speciate_one(NACL_5)
    assert pitzer.converged and bdot.converged
    assert pitzer["activity_model"] == "pitzer" and bdot["activity_model"] == "b-dot"
    # The pH scale: MacInnes by default, free on request, none for B-dot;
    # it moves single ions only.
    free = wqspec.speciate_one(NACL_5, activity="pitzer", ph_scale="free")
    assert (pitzer["ph_scale"], free["ph_scale"], bdot["ph_scale"]) == ("macinnes", "free", None)
    assert free.species.loc["Cl-", "gamma"] != pytest.approx(pitzer.species.loc["Cl-", "gamma"], rel=1e-3)
    assert free.minerals.loc["Halite", "SI"] == pytest.approx(pitzer.minerals.loc["Halite", "SI"], abs=1e-9)
    # gamma(Na+) gamma(Cl-) is the square of the mean activity coefficient,
    # whatever the convention of single ions: 0.874 at 5 mol/kg and 25 C
    # (Robinson & Stokes, Electrolyte Solutions, 2nd ed. 1959, Appendix
    # 8.10). The Pitzer database has no NaCl ion pair, so the free
    # molalities are the totals.
    mean = math.sqrt(pitzer.species.loc["Na+", "gamma"] * pitzer.species.loc["Cl-", "gamma"])
    assert mean == pytest.approx(0.874, rel=0.01)
    assert pitzer.species.loc["Na+", "m"] == pytest.approx(5.0, rel=1e-6)
    # B-dot, beyond its range, gives other numbers and says so.
    assert bdot.minerals.loc["Halite", "SI"] != pytest.approx(pitzer.minerals.loc["Halite", "SI"], abs=0.05)
    assert "beyond the range of the B-dot model" in bdot["notes"]
    table = wqspec.speciate(BRINES, activity="pitzer", columns="name,activity model,SI(Halite)")
    assert list(table["activity model"]) == ["pitzer", "pitzer"]
    # Both brines are below halite's solubility (6.1 mol/kg at 25 C).
    assert (table["SI(Halite)"] < 0).all()
    assert table["SI(Halite)"].iloc[1] == pitzer.minerals.loc["Halite", "SI"]


def test_a_water_without_a_solution_has_its_reason_and_no_numbers():
    # An acid mine water whose alkalinity only 8 mol/kg of CO2 would carry.
    acid = {"name": "acid mine", "T [C]": 25.0, "pH": 2.7, "Ca++ [mg/L]": 180.0, "SO4-- [mg/L]": 2000.0,
            "Fe++ [mg/L]": 400.0, "Na+ [mg/L]": 20.0, "alkalinity [mg/L as CaCO3]": 0.5}
    row = wqspec.speciate([acid, SPRING]).iloc[0]
    assert row["status"].startswith("no solution: the alkalinity given, ")
    assert all(math.isnan(row[c]) for c in ("pH", "I [mol/kgw]", "SI(Calcite)", "SI(Gypsum)"))


def test_suppressed_names_leave_the_run_and_nothing_else():
    waters = read_waters()
    full = wqspec.speciate(waters)
    without = wqspec.speciate(waters, suppress="Calcite")
    assert "SI(Calcite)" in full.columns and "SI(Calcite)" not in without.columns
    one = wqspec.speciate_one(waters.iloc[0].to_dict(), suppress=["Calcite"])
    assert "Calcite" not in one.minerals.index and "Aragonite" in one.minerals.index
    # A mineral only reported: the water and every other index are as before.
    pandas.testing.assert_frame_equal(without, full.drop(columns=["SI(Calcite)"]))


def test_a_database_of_more_than_600_species_is_taken_whole(tmp_path):
    # The database of the C++ test: small.kdb and 700 trace species of Na+,
    # each at 1e-30 of the sodium (tests/support/many_species_kdb.py).
    sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
    import many_species_kdb
    path = str(tmp_path / "LOGKDATA.KDB")
    many_species_kdb.write(path, 700)
    water = {"name": "w", "T": 25, "pH": 7.5, "Na [mmol/kgw]": 10, "Cl [mmol/kgw]": 12, "Ca [mmol/kgw]": 1}
    one = wqspec.speciate_one(water, database=wqspec.Database(path))
    assert one.converged, one.status
    species = one.species
    assert len(species) > 700
    assert sum(name.startswith("Trace-") for name in species.index) == 700
    assert species.loc["Trace-0700", "log_m"] == pytest.approx(species.loc["Na+", "log_m"] - 30, abs=1e-9)


def test_a_redox_state_distributes_iron():
    plain = wqspec.speciate_one(IRON[0])
    assert "Fe+++" not in plain.totals.index
    result = wqspec.speciate_one(IRON[0], redox="Eh=0.2")
    assert result.converged
    iron = result.totals.loc[["Fe++", "Fe+++"], "moles"]
    # The iron of the analysis, shared between its two oxidation states.
    assert iron.sum() == pytest.approx(plain.totals.loc["Fe++", "moles"], rel=1e-12)
    assert iron["Fe+++"] > 0 and result.species.loc["Fe+++", "m"] > 0
    table = wqspec.speciate(IRON, redox="Eh=0.2")
    # The couple is at the Eh of the state: 0.2 V for the first water, its
    # own 0.05 V for the second; pe = F Eh / (R T ln 10).
    assert list(table["Eh(Fe++/Fe+++) [V]"]) == pytest.approx([0.2, 0.05], abs=1e-9)
    kelvin = 15.0 + 273.15
    assert table["redox pe"].iloc[0] == pytest.approx(0.2 * FARADAY / (GAS_CONSTANT * kelvin * math.log(10)),
                                                      rel=1e-6)
    decoupled = wqspec.speciate_one(IRON[0], redox="Eh=0.2", decouple="Fe")
    assert "Fe+++" not in decoupled.totals.index
    assert decoupled.totals.loc["Fe++", "moles"] == plain.totals.loc["Fe++", "moles"]


def test_result_columns_are_those_of_the_result():
    cases = [{}, {"columns": "compact"}, {"activity": "pitzer"}, {"redox": "Eh=0.2", "suppress": "Goethite"},
             {"case": TEMPLATE, "columns": ["name", "SI(*)"]}]
    for options in cases:
        table = BRINES if options.get("activity") == "pitzer" else IRON
        assert wqspec.result_columns(table, **options) == list(wqspec.speciate(table, **options).columns), options


def test_result_tables_hold_the_record(cli_batch):
    record = cli_batch(WATERS, "--db", DATABASE, extension=".json")[0]
    water = read_waters().iloc[0].to_dict()
    result = wqspec.speciate_one(water)
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
    assert list(kept.columns) == ["pH", "SI(Calcite)"] and list(kept.index) == ["a", "b", "c"]
    assert kept["SI(Calcite)"].equals(from_frame["SI(Calcite)"])


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
    ("two ways of carbonate", [dict(SPRING, **{"alkalinity [meq/L]": 2.4})],
     ["row 0", "alkalinity [meq/L]", "HCO3- [mg/L]"]),
]


@pytest.mark.parametrize("what,table,named", FAULTS, ids=[f[0] for f in FAULTS])
def test_faults_raise_naming_row_and_column(what, table, named):
    with pytest.raises(wqspec.InputError) as raised:
        wqspec.speciate(table, strict=True)  # strict: an unknown column is refused, not carried
    for text in named:
        assert text in str(raised.value), (what, str(raised.value))
    assert isinstance(raised.value, ValueError)


@pytest.mark.parametrize("index,named", [(["ok", "wrong"], "row 'wrong'"), ([10, 20], "row 20")])
def test_a_faulty_row_is_named_by_its_index_label_raised_or_kept_as_status(index, named):
    frame = pandas.DataFrame([SPRING, dict(SPRING, name="bad", **{"Ca++ [mg/L]": "x"})], index=index)
    with pytest.raises(wqspec.InputError) as raised:
        wqspec.speciate(frame)
    assert str(raised.value).startswith(named + ', column "Ca++ [mg/L]"')
    out = wqspec.speciate(frame, errors="status")
    assert out.loc[index[0], "status"] == "converged"
    assert out.loc[index[1], "status"] == str(raised.value)
    assert math.isnan(out.loc[index[1], "pH"])
    assert wqspec.speciate(frame, errors="status", detail=True)[1].status == str(raised.value)


# (an option the batch refuses, what the message must name)
BAD_OPTIONS = [
    ({"balance": "Mg++"}, "the table has no column of Mg++"),
    ({"balance": "Unobtainium"}, "not a component"),
    ({"activity": "debye"}, "no such activity model"),
    ({"ph_scale": "nbs"}, "--ph-scale nbs: no such pH scale (there are: macinnes, free)"),
    ({"activity": "pitzer", "database": DATABASE}, "pitzer activity model cannot read its data"),
    ({"redox": "Eh=high"}, "Eh"),
    ({"decouple": "Xx"}, "Xx"),
    ({"suppress": ["Calcite", "Unobtainite"]}, "Unobtainite"),
    ({"columns": "SI(Unobtainite)"}, "SI(Unobtainite)"),
    ({"columns": []}, "no column named"),
    ({"jobs": 0}, "jobs"),
    ({"case": "/nonexistent/WQCASE.DAT"}, "template"),
    ({"database": "/nonexistent/LOGKDATA.KDB"}, "cannot read the database"),
]


@pytest.mark.parametrize("options,named", BAD_OPTIONS, ids=[repr(o) for o, _ in BAD_OPTIONS])
def test_bad_options_are_refused(options, named):
    with pytest.raises(wqspec.InputError) as raised:
        wqspec.speciate(SPRING, **options)
    assert named in str(raised.value)


def test_bad_arguments_are_refused():
    with pytest.raises(TypeError, match="balnce"):
        wqspec.speciate(SPRING, balnce="Cl-")
    with pytest.raises(TypeError, match="suppress"):
        wqspec.speciate(SPRING, suppress=["Calcite", 3])
    with pytest.raises(TypeError, match="balance"):
        wqspec.speciate(SPRING, balance=["Cl-"])
    with pytest.raises(wqspec.InputError, match="cannot read the database"):
        wqspec.Database("/nonexistent/LOGKDATA.KDB")


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


def cli_sweep(run_cli, folder, water, batch_args, sweep_args):
    """The command line's sweep (`sweep_args`) of the run input the batch
    writes for `water` (`batch_args`)."""
    one = os.path.join(folder, "one.csv")
    pandas.DataFrame([water]).to_csv(one, index=False)
    run_cli("batch", one, *batch_args, "--write-cases", os.path.join(folder, "cases"))
    (name,) = os.listdir(os.path.join(folder, "cases"))
    out = os.path.join(folder, "sweep.csv")
    run_cli("sweep", "--case", os.path.join(folder, "cases", name, "WQCASE.DAT"), *sweep_args, "--out", out)
    with open(out, encoding="utf-8") as f:
        text = f.read()
    body = "".join(line for line in text.splitlines(True) if not line.startswith("#"))
    return pandas.read_csv(io.StringIO(body), float_precision="round_trip"), text


def seawater():
    waters = read_waters()
    return waters[waters["name"] == "seawater_nordstrom1979"].iloc[0].dropna().to_dict()


def iron():
    return {k: v for k, v in IRON[0].items() if v is not None}


# A sweep balanced on an ion is the command line's sweep of the run input the
# batch writes (the console program balances such a run input on its ion):
# (what, the water, the package's options, the batch's arguments that write
# the run input, the sweep's arguments).
SWEEPS = [
    ("balance on Cl-", seawater, {"balance": "Cl-"}, ["--db", DATABASE, "--balance", "Cl-"], ["--db", DATABASE]),
    ("suppressed, template", seawater, {"balance": "Cl-", "suppress": "Anhydrite", "case": TEMPLATE},
     ["--db", DATABASE, "--balance", "Cl-", "--case", TEMPLATE], ["--db", DATABASE, "--suppress", "Anhydrite"]),
    ("pitzer", lambda: NACL_5, {"balance": "Cl-", "activity": "pitzer"},
     ["--balance", "Cl-", "--activity", "pitzer"], ["--activity", "pitzer"]),
    ("redox", iron, {"balance": "Cl", "redox": "Eh=0.2", "decouple": "S"},
     ["--db", DATABASE, "--balance", "Cl"], ["--db", DATABASE, "--redox", "Eh=0.2", "--decouple", "S"]),
    ("reconstructed", seawater,
     {"balance": "Cl-", "enthalpy": 900, "separation_temperature": 100, "co2_steam": "20mmol/kg", "fix_al": "K-Feldspar"},
     ["--db", DATABASE, "--balance", "Cl-"],
     ["--db", DATABASE, "--enthalpy", "900", "--separation-temperature", "100", "--co2-steam", "20mmol/kg",
      "--fix-al", "K-Feldspar"]),
]


@pytest.mark.parametrize("what,water,options,batch_args,sweep_args", SWEEPS, ids=[s[0] for s in SWEEPS])
def test_sweep_is_the_cli_sweep_of_the_water(run_cli, tmp_path, what, water, options, batch_args, sweep_args):
    minerals = {"pitzer": ["Halite"], "redox": ["Calcite", "Siderite"]}.get(what, ["Calcite", "Quartz"])
    table, estimate = wqspec.sweep(water(), 25, 100, 25, minerals=minerals, **options)
    expected, text = cli_sweep(run_cli, str(tmp_path), water(), batch_args,
                               sweep_args + ["--from", "25", "--to", "100", "--step", "25",
                                             "--minerals", ",".join(minerals)])
    # The CSV read makes a column of whole numbers ints; the sweep's own are
    # floats, but for its counts.
    pandas.testing.assert_frame_equal(table, expected, check_dtype=False, check_exact=True)
    assert table["loops"].dtype.kind == "i" and table["T [C]"].dtype.kind == "f"
    assert estimate["line"].startswith("# estimate: ") and estimate["line"] in text
    assert estimate["minerals"] == minerals
    rows = 1 + 4 * (2 if what == "reconstructed" else 1)
    assert len(table) == rows and list(table["T [C]"])[1:5] == [25, 50, 75, 100]


def test_a_reconstruction_sought_gives_its_parameters_and_uncertainty():
    _, estimate = wqspec.sweep(seawater(), 25, 100, 25, minerals=["Calcite", "Quartz"], balance="Cl-",
                               steam_loss=(0.0, 0.3), co2_steam=0.001)
    r = estimate["reconstruction"]
    assert 0.0 <= r["parameters"]["steam loss"] <= 0.3 and r["parameters"]["CO2/steam"] == 0.001
    low, high = r["uncertainty_low"], r["uncertainty_high"]
    assert low["temperature"] <= r["rms_minimum"]["temperature"] <= high["temperature"]
    assert set(low["parameters"]) == {"steam loss", "CO2/steam", "CO2 added"}
    with pytest.raises(wqspec.InputError, match="--enthalpy needs --separation-pressure"):
        wqspec.sweep(seawater(), 25, 100, 25, enthalpy=1000)
    with pytest.raises(TypeError, match="steam_los"):
        wqspec.sweep(seawater(), 25, 100, 25, steam_los=0.1)


def test_a_sweep_begins_with_the_water_speciate_computes():
    # As analysed (no balance), which a run input cannot say: the first run
    # of the sweep is the batch's record of the water, to every digit.
    water = seawater()
    for options in ({}, {"suppress": "Calcite"}, {"activity": "pitzer"}):
        w = NACL_5 if options.get("activity") else water
        table, estimate = wqspec.sweep(w, 50, 150, 50, minerals="Halite" if w is NACL_5 else None, **options)
        record = wqspec.speciate(w, **options).iloc[0]
        first = table.iloc[0]
        assert first["run"] == "input" and first["status"] == record["status"], options
        shared = [c for c in table.columns if c in record.index and c != "status"]
        assert len(shared) > 5, options
        if w is water:
            assert ("SI(Calcite)" in shared) == ("suppress" not in options), options
        for column in shared:
            assert first[column] == record[column] or (math.isnan(first[column]) and math.isnan(record[column])), \
                (options, column)
        rms = estimate["rms_minimum"]
        assert rms["found"] and 50 <= rms["temperature"] <= 150


def test_sweep_faults_raise():
    with pytest.raises(wqspec.InputError, match="one water"):
        wqspec.sweep([SPRING, SPRING], 25, 100, 25)
    with pytest.raises(wqspec.InputError, match="Unobtainite"):
        wqspec.sweep(SPRING, 25, 100, 25, minerals="Unobtainite")
    with pytest.raises(wqspec.InputError, match="--step"):
        wqspec.sweep(SPRING, 25, 100, 0)
    with pytest.raises(wqspec.InputError, match="Unobtainite"):
        wqspec.sweep(SPRING, 25, 100, 25, suppress="Unobtainite")


def test_databases_found_from_an_installed_layout(tmp_path, monkeypatch):
    # <prefix>/lib/pythonX.Y/site-packages/wqspec finds <prefix>/share/wqspec.
    prefix = tmp_path / "prefix"
    package = prefix / "lib" / "python3" / "site-packages" / "wqspec"
    package.mkdir(parents=True)
    (prefix / "share" / "wqspec" / "pitzer").mkdir(parents=True)
    shutil.copy(DATABASE, prefix / "share" / "wqspec" / "LOGKDATA.KDB")
    shutil.copy(PITZER_DATABASE, prefix / "share" / "wqspec" / "pitzer" / "LOGKDATA.KDB")
    monkeypatch.setattr(wqspec, "__file__", str(package / "__init__.py"))
    assert wqspec.bundled_database() == str(prefix / "share" / "wqspec" / "LOGKDATA.KDB")
    assert wqspec.bundled_database("b-dot") == str(prefix / "share" / "wqspec" / "LOGKDATA.KDB")
    assert wqspec.bundled_database("pitzer") == str(prefix / "share" / "wqspec" / "pitzer" / "LOGKDATA.KDB")

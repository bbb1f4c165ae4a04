"""tools/wqplot on the four kinds of input it draws, made by the built
program from the bundled examples: the figure is written, and the numbers it
plots (--data-out) are the numbers of its input.

The program is found through the environment variable WQSPEC (CTest sets it).
"""

import csv
import importlib.machinery
import importlib.util
import io
import os
import shutil
import subprocess
import tempfile
import types
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WQSPEC = os.path.abspath(os.environ.get("WQSPEC", os.path.join(ROOT, "build", "release", "wqspec")))
WQPLOT = os.path.join(ROOT, "tools", "wqplot")
DATABASE = os.path.join(ROOT, "examples", "LOGKDATA.KDB")


def wqplot_module():
    """tools/wqplot as a module, to look at the figures it makes."""
    loader = importlib.machinery.SourceFileLoader("wqplot", WQPLOT)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader("wqplot", loader))
    loader.exec_module(module)
    return module


def series_of(path):
    """{series: [(x, y)]} of a --data-out file."""
    out = {}
    with open(path, newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f):
            out.setdefault(row["series"], []).append((row["x"], float(row["y"])))
    return out


def table_rows(path):
    with open(path, encoding="utf-8") as f:
        lines = [l for l in f if not l.startswith("#")]
    return list(csv.DictReader(io.StringIO("".join(lines))))


class WqplotTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="wqplot-test-")
        shutil.copy(DATABASE, self.work)

    def tearDown(self):
        shutil.rmtree(self.work)

    def run_in_work(self, args, stdin=""):
        return subprocess.run(args, cwd=self.work, input=stdin, capture_output=True, text=True, errors="replace")

    def plot(self, source, picture, *extra):
        data = os.path.join(self.work, picture + ".data.csv")
        done = self.run_in_work([WQPLOT, source, "--out", picture, "--data-out", data, *extra])
        self.assertEqual(done.returncode, 0, done.stderr)
        with open(os.path.join(self.work, picture), "rb") as f:
            content = f.read()
        if picture.endswith(".png"):
            self.assertTrue(content.startswith(b"\x89PNG"), picture)
        else:
            self.assertIn(b"<svg", content, picture)
        return series_of(data)

    def use_case(self, folder):
        shutil.copy(os.path.join(ROOT, "examples", folder, "WQCASE.DAT"), self.work)

    def test_sweep(self):
        self.use_case(os.path.join("geothermal", "sweep"))
        done = self.run_in_work([WQSPEC, "sweep", "--step", "25"])
        self.assertEqual(done.returncode, 0, done.stderr)
        series = self.plot("sweep.csv", "sweep.png")
        with open(os.path.join(self.work, "sweep.csv"), encoding="utf-8") as f:
            comments = [l for l in f if l.startswith("#")]
        chosen = next(l for l in comments if l.startswith("# chosen minerals:")).split(":", 1)[1]
        chosen = [n.strip() for n in chosen.split(";")]
        self.assertIn("Quartz", chosen)
        rows = [r for r in table_rows(os.path.join(self.work, "sweep.csv")) if r["run"] == "sweep"]
        self.assertEqual(len(rows), 14)
        for mineral in chosen:
            expected = [(float(r["T [C]"]), float(r[f"SI({mineral})"])) for r in rows]
            self.assertEqual([(float(x), y) for x, y in series[mineral]], expected, mineral)
        rms = [(float(r["T [C]"]), float(r["RMS SI chosen"])) for r in rows if r["RMS SI chosen"]]
        self.assertEqual([(float(x), y) for x, y in series["RMS log Q/K"]], rms)
        self.assertIn("estimate RMS", series)
        self.assertIn("estimate range", series)
        nakca = next(l for l in comments if l.startswith("# Na-K-Ca temperature:"))
        self.assertAlmostEqual(float(series["Na-K-Ca"][0][0]), float(nakca.split(":")[1].split()[0]))

    def test_evaporation(self):
        # The example's path, drawn: the minerals that saturate, their log Q/K
        # at every converged step, the factor of each first saturation and the
        # moles precipitated, as the table holds them.
        source = os.path.join(ROOT, "examples", "evaporation", "evaporation.csv")
        shutil.copy(source, self.work)
        series = self.plot("evaporation.csv", "evaporation.png", "--ylim", "-3", "1")
        with open(source, encoding="utf-8") as f:
            head = next(l for l in f if l.startswith("# first saturation (concentration factor):"))
        first = [(p.split(" at ")[0].strip(), float(p.split(" at ")[1])) for p in head.split(":", 1)[1].split(";")]
        rows = table_rows(source)
        for mineral, factor in first:
            self.assertEqual(series[f"first saturation {mineral}"], [(repr(factor), 0.0)])
            expected = [(float(r["concentration factor"]), float(r[f"SI({mineral})"])) for r in rows]
            self.assertEqual([(float(x), y) for x, y in series[mineral]], expected, mineral)
            amounts = [(float(r["concentration factor"]), float(r[f"precipitated({mineral}) [mol/kg starting water]"]))
                       for r in rows]
            self.assertEqual([(float(x), y) for x, y in series[f"precipitated {mineral}"]],
                             [(x, y) for x, y in amounts if y > 0], mineral)

    def test_reaction_path(self):
        # The examples' paths, drawn: each column of panels begins at the
        # record its step starts from, its x the step's quantity (the
        # fraction, the mmol/kg added counted over the add steps, the
        # states before and after an equilibrate), its y the table's; the
        # titration's inflection is where the pH falls fastest.
        def rows_of(name):
            source = os.path.join(ROOT, "examples", "react", name, name + ".csv")
            shutil.copy(source, self.work)
            return table_rows(source)
        added = "added(Cl- H+) [mol/kg starting water]"
        cases = [
            ("mixing", "Calcite", "fraction of the other water",
             lambda rows: [0.0] + [float(r["variable"]) for r in rows[1:]], None),
            ("titration", "Calcite", "Cl- H+ added (mmol/kg starting water)",
             lambda rows: [1000 * float(r[added]) for r in rows], None),
            ("gypsum-calcite", "Gypsum", "equilibrate", lambda rows: list(range(len(rows))),
             "transfer(Gypsum) [mol/kg starting water]"),
        ]
        for name, mineral, label, x_of, moved in cases:
            rows = rows_of(name)
            series = self.plot(name + ".csv", name + ".png", "--minerals", mineral)
            x = x_of(rows)
            self.assertEqual([(float(a), y) for a, y in series[f"pH {label}"]],
                             [(a, float(r["pH"])) for a, r in zip(x, rows)], name)
            self.assertEqual([(float(a), y) for a, y in series[f"SI({mineral}) {label}"]],
                             [(a, float(r[f"SI({mineral})"])) for a, r in zip(x, rows)], name)
            if moved:
                self.assertEqual([y for _, y in series[f"transfer {mineral} {label}"]],
                                 [1000 * float(r[moved]) for r in rows], name)
            if name == "titration":
                ph = [float(r["pH"]) for r in rows]
                falls = [(ph[k] - ph[k + 1]) / (x[k + 1] - x[k]) for k in range(len(x) - 1)]
                k = falls.index(max(falls))
                ((at, slope),) = series[f"inflection {label}"]
                self.assertEqual((float(at), slope), ((x[k] + x[k + 1]) / 2, falls[k]))
            else:
                self.assertNotIn(f"inflection {label}", series, name)

    def test_sweep_with_reconstructed_fluid(self):
        # Both fluids drawn: the sample's curves as the table holds them, the
        # reconstructed fluid's (given parameters: one fluid) as its rows hold them.
        self.use_case(os.path.join("geothermal", "sweep"))
        done = self.run_in_work([WQSPEC, "sweep", "--step", "25", "--steam-loss", "0.2", "--add-co2", "0.01"])
        self.assertEqual(done.returncode, 0, done.stderr)
        series = self.plot("sweep.csv", "rebuilt.png")
        rows = table_rows(os.path.join(self.work, "sweep.csv"))
        sampled = [r for r in rows if r["run"] == "sweep"]
        rebuilt = [r for r in rows if r["run"] == "reconstructed"]
        self.assertEqual(len(rebuilt), len(sampled))
        for mineral in ("Quartz", "Calcite"):
            self.assertEqual([(float(x), y) for x, y in series[mineral]],
                             [(float(r["T [C]"]), float(r[f"SI({mineral})"])) for r in sampled])
            self.assertEqual([(float(x), y) for x, y in series[f"{mineral} (reconstructed)"]],
                             [(float(r["T [C]"]), float(r[f"SI({mineral})"])) for r in rebuilt])
        # Steam given back dilutes the silica: quartz lower at every temperature.
        for (_, before), (_, after) in zip(series["Quartz"], series["Quartz (reconstructed)"]):
            self.assertLess(after, before)
        with open(os.path.join(self.work, "sweep.csv"), encoding="utf-8") as f:
            line = next(l for l in f if l.startswith("# reconstruction: median"))
        rms_t = float(line.split("RMS log Q/K smallest at T = ")[1].split()[0])
        self.assertAlmostEqual(float(series["reconstructed estimate RMS"][0][0]), rms_t)
        self.assertIn("estimate RMS", series)

    def test_plot_file(self):
        self.use_case("geothermal")
        done = self.run_in_work([WQSPEC], stdin="y\n150\n\n\n\n")
        self.assertEqual(done.returncode, 0, done.stderr)
        series = self.plot("WQGRAPH.DAT", "graph.svg", "--minerals", "Quartz,Cristobalite,alpha,CO2(g)")
        self.assertEqual(sorted(series), ["150 C 4.758 bar", "250 C 39.737 bar"])
        with open(os.path.join(self.work, "WQGRAPH.DAT"), encoding="latin-1") as f:
            records = [l for l in f.read().splitlines()[2:] if l.strip()]
        for block, values in series.items():
            temperature = float(block.split()[0])
            for name, y in values:
                record = next(r for r in records if r[:20].strip() == name and float(r[30:40]) == temperature)
                self.assertEqual(y, float(record[20:30]), (block, name))
            self.assertEqual(sorted(n for n, _ in values), ["CO2(g)", "Cristobalite,alpha", "Quartz"])
        # Without a choice, the entries nearest saturation, at most --top.
        self.assertEqual(len(self.plot("WQGRAPH.DAT", "top.png", "--top", "12")["250 C 39.737 bar"]), 12)

    def test_batch(self):
        self.use_case("geothermal")
        with open(os.path.join(self.work, "waters.csv"), "w", encoding="utf-8") as f:
            f.write('name,T [C],pH,Na+ [mg/kg],K+ [mg/kg],Ca++ [mg/kg],Cl- [mg/kg],"SiO2,aq [mg/kg]",HCO3- [mg/kg]\n'
                    "well A,250,6.0,1250,200,17,2210,670,40\n"
                    "well B,200,6.5,1100,150,20,1900,500,40\n"
                    "well C,150,7.0,900,90,30,1500,300,40\n")
        for out in ("batch.csv", "batch.json"):
            done = self.run_in_work([WQSPEC, "batch", "waters.csv", "--out", out, "--jobs", "1"])
            self.assertEqual(done.returncode, 0, done.stderr)
        rows = table_rows(os.path.join(self.work, "batch.csv"))
        # By default the common minerals the waters can form; a named one is
        # added to them.
        formed = {k[3:-1] for k in rows[0] if k.startswith("SI(")}
        common = ["Calcite", "Aragonite", "Dolomite", "Gypsum", "Anhydrite", "Fluorite", "Quartz",
                  "Chalcedony", "Halite"]
        self.assertEqual(list(self.plot("batch.csv", "default.png")), [m for m in common if m in formed])
        series = self.plot("batch.csv", "batch.png", "--minerals", "Wollastonite,Quartz")
        self.assertEqual(list(series), [m for m in common if m in formed] + ["Wollastonite"])
        for mineral in ("Quartz", "Calcite", "Wollastonite"):
            self.assertEqual(series[mineral], [(r["name"], float(r[f"SI({mineral})"])) for r in rows])
        self.assertEqual(self.plot("batch.json", "json.png", "--minerals", "Wollastonite,Quartz"), series)

    def test_batch_waters_are_points_never_joined(self):
        """Unrelated waters: each mineral is a set of markers, no line
        between waters; a failed water has none; a water that only the joint
        solve found counts as solved."""
        text = ("name,status,SI(Calcite),SI(Gypsum),SI(Barite)\n"
                "a,converged,0.5,-1.0,0.2\n"
                "b,converged by the joint solve,-0.3,-0.4,0.1\n"
                "c,stopped: bad data,,,\n")
        plot = wqplot_module()
        args = types.SimpleNamespace(minerals="", input="t.csv")
        data = []
        fig = plot.plot_batch(text, "batch-csv", args, data)
        drawn = {line.get_label(): line for line in fig.axes[0].lines if not line.get_label().startswith("_")}
        self.assertEqual(sorted(drawn), ["Calcite", "Gypsum"])
        for name, line in drawn.items():
            self.assertEqual(line.get_linestyle(), "None", name)
            self.assertNotEqual(line.get_marker(), "None", name)
            self.assertEqual(len(line.get_xdata()), 2, name)
        labels = [t.get_text() for t in fig.axes[0].get_xticklabels()]
        self.assertEqual(labels, ["a", "b", "c (failed)"])
        self.assertEqual(sorted(data), [("Calcite", "a", 0.5), ("Calcite", "b", -0.3),
                                        ("Gypsum", "a", -1.0), ("Gypsum", "b", -0.4)])
        with self.assertRaises(plot.InputError):
            plot.plot_batch("name,status,SI(Barite)\na,converged,0.1\n", "batch-csv", args, [])

    def test_malformed_input_is_one_line_and_status_1(self):
        """Whatever the input holds, the plotter says in one line what is
        wrong and ends with status 1 (2 for bad options): no traceback."""
        cases = [
            ("deep.json", "[" * 100000, "nested too deeply"),
            ("numbers.json", "[1, 2]", "record 1 of the JSON array is not an object"),
            ("list.json", '[{"name": "a", "minerals": [1]}]', "minerals must be an object"),
            ("int.json", '[{"name": "a", "minerals": {"Calcite": 5}}]', "mineral 'Calcite' is not an object"),
            ("text.json", '[{"name": "a", "minerals": {"Calcite": {"SI": "x"}}}]', "the SI of 'Calcite' is not a number"),
            ("name.json", '[{"name": ["a"], "status": "converged"}]', "name and status must be text"),
            ("object.json", '[{"name": "a", "status": "converged"}, 7]', "record 2 of the JSON array is not an object"),
            ("bad.json", "[{", "Expecting property name"),
            ("nocolumn.csv", "# wqspec sweep: t\n# x\n# chosen minerals: Quartz\nrun,SI(Quartz)\nsweep,1\n",
             "the sweep table has no column T [C]"),
            ("nul.txt", "a\0b\n", "not a sweep table, an evaporation path, a reaction path, a batch result or a plot file"),
            ("plot.dat", "title\ntitle\n" + "Calcite".ljust(20) + "   x".ljust(28) + "\n",
             "is not a record of a plot file"),
        ]
        for name, text, message in cases:
            with open(os.path.join(self.work, name), "w", encoding="utf-8") as f:
                f.write(text)
            done = self.run_in_work([WQPLOT, name, "--out", "x.png"])
            self.assertEqual(done.returncode, 1, (name, done.stderr))
            self.assertEqual(len(done.stderr.splitlines()), 1, (name, done.stderr))
            self.assertTrue(done.stderr.startswith(f"wqplot: {name}: "), (name, done.stderr))
            self.assertIn(message, done.stderr, name)
        # Rows shorter or longer than the header are drawn as far as they go.
        short = "# wqspec sweep: t\n# x\n# chosen minerals: Quartz\nrun,T [C],SI(Quartz)\nsweep\nsweep,30,1\n"
        ragged = "name,status,SI(Calcite)\na\nb,converged,1,2,3\n"
        for name, text in (("short.csv", short), ("ragged.csv", ragged)):
            with open(os.path.join(self.work, name), "w", encoding="utf-8") as f:
                f.write(text)
            done = self.run_in_work([WQPLOT, name, "--out", "x.png"])
            self.assertEqual(done.returncode, 0, (name, done.stderr))
        options = [
            (["short.csv", "--out", "x.png", "--ylim", "nan", "1"], "--ylim takes two finite numbers"),
            (["short.csv", "--out", "x.png", "--bar-limit", "5", "-5"], "--bar-limit takes two finite numbers"),
            (["short.csv", "--out", "x.png", "--top", "x"], "argument --top: invalid int value"),
            (["short.csv"], "the following arguments are required: --out"),
        ]
        for args, message in options:
            done = self.run_in_work([WQPLOT, *args])
            self.assertEqual(done.returncode, 2, (args, done.stderr))
            self.assertEqual(len(done.stderr.splitlines()), 1, (args, done.stderr))
            self.assertTrue(done.stderr.startswith("wqplot: "), done.stderr)
            self.assertIn(message, done.stderr, args)

    def test_bad_input(self):
        with open(os.path.join(self.work, "notes.txt"), "w") as f:
            f.write("just a note\n")
        cases = [
            (["notes.txt", "--out", "x.png"], "not a sweep table, an evaporation path, a reaction path, a batch result or a plot file"),
            (["missing.csv", "--out", "x.png"], "No such file"),
            (["notes.txt", "--out", "x.pdf"], "--out must end in .png or .svg"),
        ]
        for args, message in cases:
            done = self.run_in_work([WQPLOT, *args])
            self.assertNotEqual(done.returncode, 0, args)
            self.assertIn(message, done.stderr, args)
        self.use_case("geothermal")
        self.run_in_work([WQSPEC], stdin="\n\n")
        done = self.run_in_work([WQPLOT, "WQGRAPH.DAT", "--out", "x.png", "--minerals", "Kryptonite"])
        self.assertEqual(done.returncode, 1)
        self.assertIn("unknown mineral 'Kryptonite'", done.stderr)


if __name__ == "__main__":
    unittest.main()

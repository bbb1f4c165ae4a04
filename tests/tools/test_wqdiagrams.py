"""tools/wqplot's diagrams of a set of waters (piper, stiff, schoeller) on
examples/batch, from its table of waters and from the batch's JSON records
made by the built program (found through WQSPEC, as CTest sets it)."""

import contextlib
import csv
import importlib.machinery
import importlib.util
import io
import os
import shutil
import subprocess
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WQSPEC = os.path.abspath(os.environ.get("WQSPEC", os.path.join(ROOT, "build", "release", "wqspec")))
WQPLOT = os.path.join(ROOT, "tools", "wqplot")
BATCH = os.path.join(ROOT, "examples", "batch")


def cation_percentages(path):
    """{water: (Ca, Mg, Na+K)} percentages of a Piper diagram's --data-out."""
    out = {}
    with open(path, newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f):
            out.setdefault(row["series"], {})[row["x"]] = float(row["y"])
    return {name: (v["Ca %meq"], v["Mg %meq"], v["Na+K %meq"]) for name, v in out.items()}


class DiagramsTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="wqdiagrams-test-")
        # wqplot in this process (matplotlib imported once for the six pictures).
        loader = importlib.machinery.SourceFileLoader("wqplot", WQPLOT)
        self.wqplot = importlib.util.module_from_spec(importlib.util.spec_from_loader("wqplot", loader))
        loader.exec_module(self.wqplot)

    def tearDown(self):
        shutil.rmtree(self.work)

    def test_every_diagram_of_the_batch_example_from_its_table_and_its_records(self):
        records = os.path.join(self.work, "records.json")
        solved = subprocess.run([WQSPEC, "batch", os.path.join(BATCH, "WATERS.csv"), "--case",
                                 os.path.join(BATCH, "WQCASE.DAT"), "--db", os.path.join(ROOT, "examples", "LOGKDATA.KDB"),
                                 "--out", records, "--jobs", "2"], capture_output=True, text=True)
        self.assertEqual(solved.returncode, 0, solved.stderr)
        # Every diagram of the records; the Piper diagram of the table too, to
        # compare (the readers of the two inputs are what differs).
        sources = {"table": (os.path.join(BATCH, "WATERS.csv"), ("piper",)),
                   "records": (records, ("piper", "stiff", "schoeller"))}
        piper = {}
        for source, (path, kinds) in sources.items():
            for kind in kinds:
                with self.subTest(source=source, kind=kind):
                    picture = os.path.join(self.work, f"{source}-{kind}.png")
                    data = os.path.join(self.work, f"{source}-{kind}.csv")
                    errors = io.StringIO()
                    with contextlib.redirect_stdout(io.StringIO()), contextlib.redirect_stderr(errors):
                        status = self.wqplot.main([kind, path, "--out", picture, "--data-out", data])
                    self.assertEqual(status, 0, errors.getvalue())
                    self.assertEqual(errors.getvalue(), "")
                    self.assertGreater(os.path.getsize(picture), 10000)
            piper[source] = cation_percentages(os.path.join(self.work, f"{source}-piper.csv"))
        # Every water of the table is drawn, and its cations are the same
        # share of its milliequivalents whether read from the table or from
        # the totals the run solved with.
        self.assertEqual(len(piper["table"]), 25)
        self.assertEqual(piper["table"].keys(), piper["records"].keys())
        for name, shares in piper["table"].items():
            for given, solved_share in zip(shares, piper["records"][name]):
                self.assertAlmostEqual(given, solved_share, delta=0.05, msg=name)


if __name__ == "__main__":
    unittest.main()

"""tools/llnl_reference.py, the independent B-dot speciation on the LLNL
data: a CaSO4-NaCl water against a hand calculation at the csv's log K, mass
balance and mass action closed on the two test waters, the log K
conventions of the data set, and bad input told in one line."""

import copy
import io
import json
import math
import os
import sys
import tempfile
import unittest
from contextlib import redirect_stderr

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
THERMO = os.path.normpath(os.environ.get("WQ_THERMO_DIR",
                                         os.path.join(ROOT, "..", "shared", "thermo")))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import llnl_reference  # noqa: E402
from llnlref import speciate, thermo  # noqa: E402

WATERS = os.path.join(ROOT, "bench", "llnl_reference", "waters")
DB = thermo.Database(THERMO)


def entity(**fields):
    row = {"kind": "mineral", "name": "X", "equation": "CaX = Ca+2 + X-2",
           "log_k_25C": "-3.0", "range_C": "", "delta_H": "0", "llnl_gamma": ""}
    row.update({"A%d" % i: "" for i in range(1, 6)})
    row.update(fields)
    return thermo.Entity(row)


class HandCalculation(unittest.TestCase):
    """Ca, SO4, Na, Cl at 0.01 mol/kg with the one complex CaSO4, 25 C."""

    def test_free_calcium_and_ionic_strength(self):
        db = copy.copy(DB)
        db.aqueous = [e for e in DB.aqueous if e.name == "CaSO4"]
        totals = {"Ca+2": 0.01, "SO4-2": 0.01, "Na+": 0.01, "Cl-": 0.01}
        got = speciate.solve(speciate.System(db, totals), 7.0, 25.0)
        # the csv's CaSO4 fit at 298.15 K, by hand
        t = 298.15
        log_k = (2.8618e+2 + 8.4084e-2 * t - 7.688e+3 / t - 1.1449e+2 * math.log10(t)
                 - 1.2005e+2 / t ** 2)
        # data0's 25 C node: A, B, B-dot; data0 sizes Ca++ 6, SO4-- 4, Na+ 4, Cl- 3
        def lg(z, size, i):
            return -0.5114 * z * z * math.sqrt(i) / (1 + size * 0.3288 * math.sqrt(i)) + 0.041 * i
        i, pair = 0.04, 0.0
        for _ in range(100):
            k = 10 ** (log_k + lg(2, 6.0, i) + lg(2, 4.0, i))
            # K (c - x)^2 = x, the root below c
            pair = ((2 * k * 0.01 + 1) - math.sqrt(4 * k * 0.01 + 1)) / (2 * k)
            i = 0.5 * (4 * 2 * (0.01 - pair) + 0.01 + 0.01 + 10 ** -7 / 10 ** lg(1, 9.0, i))
        free_ca = got.molality[got.system.names.index("Ca+2")]
        self.assertAlmostEqual(free_ca / (0.01 - pair), 1.0, places=9)
        self.assertAlmostEqual(got.ionic_strength / i, 1.0, places=9)


class Closure(unittest.TestCase):

    def test_mass_balance_and_mass_action(self):
        for water in ("acid_mine", "sulfidic"):
            name, ph, totals = llnl_reference.read_water(os.path.join(WATERS, water + ".json"))
            for t_c in (12.0, 40.0):
                with self.subTest(water=water, t=t_c):
                    r = speciate.solve(speciate.System(DB, totals), ph, t_c)
                    self.assertLess(max(abs(r.mass_balance_residual())), 1e-10)
                    la = r.log_activity_of_basis()
                    for e, log_m, lg in zip(r.system.entities, r.log_m, r.log_gamma):
                        if e is not None:
                            want = e.logk_formation(t_c) + sum(
                                nu * la[n] for n, nu in e.content.items())
                            self.assertAlmostEqual(log_m + lg, want, places=9, msg=e.name)


class Conventions(unittest.TestCase):

    def test_dissolution_log_k_of_minerals(self):
        # the fit, which the data set uses at every T, against its 25 C column
        cases = [("Calcite", 1.8487, 0.03), ("Gypsum", -4.4823, 0.06),
                 ("Anhydrite", -4.3064, 0.06)]
        phases = {p.name: p for p in DB.phases}
        for name, at_25, spread in cases:
            with self.subTest(name):
                self.assertAlmostEqual(-phases[name].logk_formation(25.0), at_25, delta=spread)

    def test_log_k_in_temperature(self):
        rt = 8.314462618 * math.log(10.0)
        cases = [
            (dict(range_C="0-300", A1="1", A2="0.01", A3="100", A4="0", A5="0"),
             1 + 0.01 * 323.15 + 100 / 323.15),
            (dict(delta_H="-20 kJ/mol"), -3.0 + 20000.0 / rt * (1 / 323.15 - 1 / 298.15)),
            (dict(), -3.0),
        ]
        for fields, want in cases:
            with self.subTest(fields):
                self.assertAlmostEqual(entity(**fields).logk_as_written(50.0), want, places=10)

    def test_formation_and_dissolution_read_alike(self):
        aq = entity(kind="aqueous", name="CaX", equation="Ca+2 + X-2 = CaX", log_k_25C="3")
        ph = entity()
        self.assertEqual(aq.content, ph.content)
        self.assertEqual((aq.logk_formation(25.0), ph.logk_formation(25.0)), (3.0, 3.0))

    def test_debye_hueckel_between_nodes(self):
        # data0's A and B taken between its nodes against HKF81's table
        # (hkf81_activity_tables.csv, 1 bar), which has nodes there
        from llnlref import activity
        for t_c, a, b in ((50.0, 0.5354, 0.3328), (75.0, 0.5649, 0.3373)):
            with self.subTest(t_c):
                model = activity.BdotModel(DB.tables, t_c)
                self.assertAlmostEqual(model.a, a, delta=3e-4)
                self.assertAlmostEqual(model.b, b, delta=3e-4)

    def test_co2_salting_out(self):
        # Drummond's polynomial at 25 C, 1 mol/kg: about the Setschenow
        # coefficient of CO2 in NaCl, 0.1 kg/mol
        from llnlref import activity
        self.assertAlmostEqual(activity.BdotModel(DB.tables, 25.0).log_gamma_co2(1.0), 0.1,
                               delta=0.01)


class BadInput(unittest.TestCase):

    def test_each_fault_is_one_line(self):
        cases = [
            ({"pH": 7, "totals": {"Ca+2": 1e-3, "Unobtainium+2": 1e-3}}, "25",
             "not a basis species"),
            ({"pH": 7, "totals": {"Ca+2": -1e-3}}, "25", "positive"),
            ({"pH": 7, "totals": {"H+": 1e-3}}, "25", "pH fixes H+"),
            ({"pH": "acid", "totals": {"Ca+2": 1e-3}}, "25", "must be numbers"),
            ({"pH": 7, "totals": {"Ca+2": 1e-3}}, "400", "outside"),
        ]
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "water.json")
            for water, temp, said in cases:
                with self.subTest(said):
                    with open(path, "w", encoding="utf-8") as f:
                        json.dump(water, f)
                    err = io.StringIO()
                    with redirect_stderr(err):
                        code = llnl_reference.main([path, "--temp", temp, "--thermo", THERMO,
                                                    "-o", os.path.join(tmp, "out.csv")])
                    self.assertEqual(code, 1)
                    self.assertIn(said, err.getvalue())
                    self.assertEqual(err.getvalue().count("\n"), 1)


if __name__ == "__main__":
    unittest.main()

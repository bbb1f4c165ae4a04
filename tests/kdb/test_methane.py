"""Methane (wqkdb/methane.py): the gas CH4(g) on CH4,aq with the Henry
constant of data0.shv, and the redox couple of carbon against the data0
file's own Methane(aq) reaction."""

import os
import unittest

import numpy as np

import support

from wqkdb import data0, grids, llnl  # noqa: E402

# The data0 temperatures that are grid temperatures on the saturation curve.
SHARED_T = (0.01, 25.0, 100.0, 150.0, 200.0, 250.0, 300.0)
DATA0_BASIS = ("HCO3-", "H+", "H2O", "O2(g)")


def on_curve(tab, t):
    return tab[llnl.CURVE_CELLS[llnl.CURVE_T.index(t)]]


@support.needs_thermo
class Methane(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        db = support.database()
        cls.gas = [e for e in db.solids if e["name"] == "CH4(g)"][0]
        cls.couple = [c for c in db.couples if c["name"] == "CH4,aq/HCO3-"][0]
        temps, _, entries = data0.parse(os.path.join(support.THERMO, "data0.shv"))
        cls.temps = [max(t, 0.01) for t in temps]
        cls.d0 = {e["name"]: e for e in entries}

    def data0_logk(self, name, t):
        return self.d0[name]["logk"][self.temps.index(t)]

    def test_henry_constant(self):
        self.assertEqual(self.gas["terms"], [(1.0, 45)])
        self.assertEqual(self.gas["tag"], "data 0.01-300 C")
        for t in SHARED_T:
            self.assertAlmostEqual(on_curve(self.gas["table"], t),
                                   self.data0_logk("CH4(g)", t), delta=0.002, msg=t)
        # 15 mg/L of methane (activity coefficient 1) at 25 C
        log_f = np.log10(0.015 / 16.0425) - on_curve(self.gas["table"], 25.0)
        self.assertAlmostEqual(log_f, -0.18, delta=0.01)

    def expand(self, name):
        """data0's dissociation of name written on its basis: (coefficients,
        log K at the data0 temperatures), through the auxiliary species."""
        e = self.d0[name]
        coef, logk = {}, np.array(e["logk"])
        for c, s in e["reaction"]:
            if s == name:
                continue
            if s in DATA0_BASIS:
                coef[s] = coef.get(s, 0.0) + c
                continue
            sub, sub_logk = self.expand(s)
            logk = logk + c * sub_logk
            for k, v in sub.items():
                coef[k] = coef.get(k, 0.0) + c * v
        return coef, logk

    def test_couple_against_the_data0_methane_reaction(self):
        # Methane(aq) -> ethane -> acetic acid -> HCO3- in data0, turned into
        # HCO3- = CH4,aq - H+ - H2O + 2 O2,aq with data0's O2(aq) = O2(g)
        coef, logk = self.expand("Methane(aq)")
        self.assertEqual(coef, {"HCO3-": 1.0, "H+": 1.0, "H2O": 1.0, "O2(g)": -2.0})
        theirs = -logk - 2.0 * np.array(self.d0["O2(aq)"]["logk"])
        self.assertIn("data 0.01-300 C", self.couple["words"])
        for t in SHARED_T:
            self.assertAlmostEqual(on_curve(self.couple["table"], t),
                                   theirs[self.temps.index(t)], delta=0.01, msg=t)
        self.assertTrue(np.all(np.isfinite(self.couple["table"])))
        self.assertEqual(self.couple["table"].shape, (grids.NP, grids.NT))


if __name__ == "__main__":
    unittest.main()

"""Manganese on one reference, the LLNL set's Mn+2 (wqkdb/manganese.py): the
shift of slop98's Mn(II) entries is the difference the data0 tables show,
and the Mn minerals and complexes written on Mn++ agree with the LLNL log K,
so that saturation indices agree with LLNL-based codes for the same free
Mn++."""

import os
import unittest

import numpy as np

import support

from wqkdb import data0, llnl, manganese, wholegrid  # noqa: E402

R_LN10 = 1.98720 * np.log(10.0)


@support.needs_thermo
class OneReference(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.db = support.database()
        cls.by = {e["name"]: e for e in cls.db.aqueous + cls.db.solids}
        _, cls.sp = support.slop98()          # slop98 as distributed
        temps, press, entries = data0.parse(os.path.join(support.THERMO, "data0.shv"))
        cls.temps = [max(t, 0.01) for t in temps]
        cls.d0 = {e["name"]: e for e in entries}
        cls.gc = data0._cache(cls.sp, data0.states_for(temps, press, True))

    def slop98_logk(self, reaction):
        """log K of a data0 reaction (-1 X + sum nu B) from slop98 as distributed."""
        names = {"H2O": "H2O(l)"}
        dg = sum(c * self.gc(names.get(s, s)) for c, s in reaction)
        return -dg / (R_LN10 * self.gc.t)

    def test_shift_is_the_data0_difference(self):
        # data0's Mn(II) minerals rest on the Mn++ of Shock & Helgeson (1988),
        # slop98's on that of Shock et al. (1997); nothing else differs
        t_k = np.array(self.temps) + 273.15
        shift = manganese.shift_per_mn(t_k, self.sp["Mn++"])
        self.assertAlmostEqual(shift[1], 0.440, delta=0.001)
        for name in ("Manganosite", "Rhodochrosite", "Alabandite"):
            e = self.d0[name]
            diff = self.slop98_logk(e["reaction"]) - np.array(e["logk"])
            self.assertLess(np.max(np.abs(diff - shift)), 0.002, name)

    def llnl_on_mn(self, entry):
        """The LLNL log K, its Mn+3 and MnO4-2 written on Mn++: MnO4-2 by the
        data0 relation (LLNL's), Mn+3 by slop98's (no LLNL relation in the
        files), O2(g) to O2(aq) by data0's Henry constant."""
        o2 = np.array(self.d0["O2(aq)"]["logk"])
        mn6 = wholegrid.Fit5.through(self.temps, np.array(self.d0["MnO4--"]["logk"]) - o2)
        mn3 = wholegrid.Fit5.through(self.temps, self.slop98_logk(
            [(-1.0, "Mn+++"), (-0.5, "H2O"), (1.0, "Mn++"), (1.0, "H+"), (0.25, "O2(aq)")]))
        out = {}
        for t in llnl.SHORT_T[:7]:
            k = entry.logk(t)
            if k is not None:
                out[t] = k + sum(v * (mn3(t) if b == "Mn+3" else mn6(t) if b == "MnO4-2" else 0.0)
                                 for v, b in entry.terms)
        return out

    def test_minerals_agree_with_llnl(self):
        print("\n  Mn minerals, this database minus LLNL, log K on Mn++ (25-300 C):")
        for name in ("Rhodochrosite", "Manganosite", "Alabandite", "Pyrolusite", "Manganite",
                     "Hausmannite", "Bixbyite", "Mn(OH)2(am)", "Rhodonite", "Birnessite",
                     "Todorokite"):
            rec = self.by[name]
            ref = self.llnl_on_mn(self.db.converter.by_name[("mineral", name)])
            diffs = {t: rec["table"][llnl.CURVE_CELLS[llnl.CURVE_T.index(t)]] - k
                     for t, k in ref.items()}
            print("    %-14s %-6s %s" % (name, "LLNL" if rec.get("llnl") else "slop98",
                                        " ".join("%+.3f" % d for d in diffs.values())))
            self.assertTrue(diffs, name)
            self.assertLess(max(abs(d) for d in diffs.values()), 0.1, name)

    def test_complexes_agree_with_llnl_at_25_c(self):
        # slop98's MnCl+, MnSO4 (their Gibbs energy kept) and MnOH+, MnO(aq)
        # = Mn(OH)2, MnO2-- = Mn(OH)4-- (moved with Mn++) on the LLNL Mn++
        for ours, theirs, waters in (("MnCl+", "MnCl+", 0), ("MnSO4,aq", "MnSO4", 0),
                                     ("MnOH+", "MnOH+", 0), ("MnO,aq", "Mn(OH)2", 1),
                                     ("MnO2--", "Mn(OH)4-2", 2)):
            e = self.db.converter.by_name[("aqueous", theirs)]
            k = self.by[ours]["table"][0, 1]
            # X(OH)n = XO.. + n H2O: the same species, log K differs by n log a(H2O) = 0
            self.assertLess(abs(k - e.logk(25.0)), 0.12, ours)
            self.assertEqual(sum(v for v, b in e.terms if b == "H2O")
                             - sum(v for v, n in self.by[ours]["terms"] if n == 2), waters, ours)


if __name__ == "__main__":
    unittest.main()

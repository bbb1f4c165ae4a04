"""The builder's log K against SUPCRT92 reference tables (EQ3/6 data0
files): along the saturation curve to 300 C, at 500 bar to 350 C and at
1 kbar to 600 C.

Compared are the entries computed from the same data in both sources (see
wqkdb.data0.compare): the data0 files were generated from an earlier state
of the SUPCRT92 data set, so entries whose species carry other reference
data, volume or heat-capacity parameters there are left out, as are the
known differences of Al+++, CaCO3,aq and NaCl,aq.
"""

import os
import unittest

import support

from wqkdb import data0  # noqa: E402

# Entries that must always be compared: a regression of the equations of
# state cannot hide behind the same-data filter.
CORE = ("OH-", "CO2(aq)", "CO3--", "HSO4-", "HS-", "HF(aq)", "NH4+", "H2(aq)",
        "O2(aq)", "Calcite", "Dolomite", "Magnesite", "Quartz", "Anhydrite",
        "Barite", "Fluorite", "Halite", "Sylvite", "Brucite", "CO2(g)", "O2(g)",
        "H2S(g)")


@support.needs_thermo
class AgainstSupcrt92Tables(unittest.TestCase):

    def check(self, which, saturation):
        _, sp = support.slop98()
        rows, skipped = data0.compare(os.path.join(support.THERMO, "data0." + which),
                                      sp, saturation=saturation)
        entries = {r[0] for r in rows}
        rows.sort(key=lambda r: -abs(r[6]))
        print("\n  data0.%s: %d entries compared (%d values), %d left out"
              % (which, len(entries), len(rows), len(skipped)))
        for r in rows[:5]:
            print("    %-22s %-24s T=%6.2f C P=%8.3f bar data0 %10.4f builder %10.4f diff %+.4f"
                  % r)
        missing = [c for c in CORE if c not in entries]
        self.assertEqual(missing, [], "core entries not compared")
        self.assertGreater(len(entries), 150)
        bad = [r for r in rows if abs(r[6]) > (0.02 if r[2] <= 300.0 else 0.03)]
        self.assertEqual(bad, [])

    def test_saturation_curve(self):
        self.check("shv", True)

    def test_500_bar(self):
        self.check("500", False)

    def test_1_kbar(self):
        self.check("1kb", False)


if __name__ == "__main__":
    unittest.main()

"""Entries taken from the LLNL data set (thermo.com.V8.R6): the cells of
their tables that carry values, conversion to the database's basis, and
agreement of converted LLNL log K with the slop98-based ones for entries
present in both sets."""

import os
import statistics
import unittest

import numpy as np

import support

from wqkdb import build, llnl  # noqa: E402

LLNL_CSV = os.path.join(support.THERMO, "llnl_logk.csv")
ABSENT = llnl.ABSENT


def row(range_c, coeffs=("1", "0", "0", "0", "0")):
    r = {"kind": "mineral", "name": "X", "equation": "CaX = Ca+2 + X-2",
         "log_k_25C": "1.0", "range_C": range_c}
    for i, c in enumerate(coeffs if range_c else ("",) * 5):
        r["A%d" % (i + 1)] = c
    return r


class ShortTableLimits(unittest.TestCase):

    def test_temperatures_with_a_value(self):
        cases = [
            ("0-300", [25.0, 50.0, 100.0, 150.0, 200.0, 250.0, 300.0]),
            # a fit that ends below the top of the data set: the node at its
            # end is left absent, so the program's 50 C extrapolation allowance
            # ends where the fit does
            ("0-200", [25.0, 50.0, 100.0, 150.0]),
            ("25-150", [25.0, 50.0, 100.0]),
            ("", [25.0]),                              # no fit: 25 C only
        ]
        for range_c, want in cases:
            self.assertEqual(llnl.Entry(row(range_c)).table_temperatures(), want, range_c)

    def test_fit_is_evaluated_only_within_its_range(self):
        e = llnl.Entry(row("0-200", ("2", "0.01", "0", "0", "0")))
        self.assertAlmostEqual(e.logk(100.0), 2 + 0.01 * 373.15)
        self.assertIsNone(e.logk(250.0))
        self.assertIsNone(llnl.Entry(row("")).logk(50.0))
        self.assertEqual(llnl.Entry(row("")).logk(25.0), 1.0)

    def test_curve_temperatures_within_the_fit(self):
        cases = [
            ("0-300", list(llnl.CURVE_T[:13])),        # 0.01 to 300 C
            ("0-200", list(llnl.CURVE_T[:9])),         # 0.01 to 200 C
            ("25-150", [25.0, 50.0, 75.0, 100.0, 125.0, 150.0]),
            ("", [25.0]),
        ]
        for range_c, want in cases:
            self.assertEqual(llnl.Entry(row(range_c)).curve_temperatures(), want, range_c)

    def test_aqueous_formation_is_turned_into_a_dissociation(self):
        r = row("", ())
        r.update({"kind": "aqueous", "name": "NaCO3-", "log_k_25C": "-9.8",
                  "equation": "Na+ + HCO3- = NaCO3- + H+"})
        e = llnl.Entry(r)
        self.assertEqual(sorted(e.terms), sorted([(1.0, "Na+"), (1.0, "HCO3-"), (-1.0, "H+")]))
        self.assertEqual(e.logk(25.0), 9.8)


def saturation_nodes(t):
    """The three curve nodes (0-based columns) the program interpolates
    through on the saturation curve at t (C)."""
    below = sum(1 for x in llnl.CURVE_T[:14] if x < t)
    first = 1 if below < 2 else below - 1
    return [first - 1, first, first + 1]


def cold_block():
    """The nine cells a cold water (below 20 C, an extended run at 1.013
    bar) reads: 1, 1.0133 and 2.321 bar at 0.01, 25 and 50 C."""
    return [(r, c) for r in range(3) for c in range(3)]


def served_on_curve(tab, t):
    return all(tab[llnl.CURVE_CELLS[c]] != ABSENT for c in saturation_nodes(t))


class FullTableCells(unittest.TestCase):
    """Where a full table of an LLNL entry carries values (no data needed)."""

    def table(self, range_c, curve):
        e = llnl.Entry(row(range_c))
        return llnl.full_table(e, curve)

    def test_values_on_the_curve_and_the_cold_block_only(self):
        quadratic = [1.0 + 0.01 * t - 2e-5 * t * t for t in llnl.CURVE_T]
        fit = [v if t <= 300 else np.nan for t, v in zip(llnl.CURVE_T, quadratic)]
        tab = self.table("0-300", fit)
        cells = set(llnl.CURVE_CELLS) | set(cold_block()) | {(r, 3) for r in range(3)}
        for r in range(tab.shape[0]):
            for c in range(tab.shape[1]):
                self.assertEqual(tab[r, c] != ABSENT, (r, c) in cells, (r, c))
        # 325 and 350 C: the quadratic through 200, 250 and 300 C, which
        # the program's short table extrapolated to
        for c in (13, 14):
            self.assertAlmostEqual(tab[llnl.CURVE_CELLS[c]], quadratic[c], places=10)
        for r, c in cold_block():
            self.assertEqual(tab[r, c], quadratic[c])

    def test_a_fit_to_200_c_ends_there(self):
        fit = [1.0 if t <= 200 else np.nan for t in llnl.CURVE_T]
        tab = self.table("0-200", fit)
        self.assertTrue(all(served_on_curve(tab, t) for t in np.arange(20.0, 200.01, 0.5)))
        self.assertFalse(any(served_on_curve(tab, t) for t in np.arange(200.5, 374.0, 0.5)))
        self.assertEqual(tab[llnl.CURVE_CELLS[8]], 1.0)

    def test_a_fit_to_300_c_serves_the_whole_curve(self):
        fit = [1.0 if t <= 300 else np.nan for t in llnl.CURVE_T]
        tab = self.table("0-300", fit)
        self.assertTrue(all(served_on_curve(tab, t) for t in np.arange(20.0, 374.01, 0.5)))


@support.needs_thermo
class InTheDatabase(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.db = support.database()
        cls.by = {e["name"]: e for e in cls.db.aqueous + cls.db.solids}

    def test_named_additions_are_present(self):
        for name in ("Gypsum", "NaHCO3,aq", "NaCO3-", "NaAlO2,aq", "SrSO4,aq", "Goethite",
                     "Pyrolusite", "Hausmannite", "Manganite", "Mn(OH)2(am)", "Witherite",
                     "Hydroxylapatite", "Melanterite", "Portlandite", "Willemite", "Mirabilite",
                     "Thenardite", "Epsomite", "Nahcolite", "Natron", "Bassanite", "Illite",
                     "Montmor-Na", "Montmor-K", "Montmor-Ca", "Montmor-Mg", "Heulandite",
                     "Stilbite", "Mordenite"):
            self.assertIn(name, self.by)
            self.assertIn(llnl.SOURCE, self.by[name]["source"], name)
            entry = self.db.converter.by_name[(self.by[name]["kind"], self.by[name]["llnl"])]
            # a fit gives a full table, a 25 C value alone a short one
            self.assertEqual(self.by[name]["short"], entry.coeffs is None, name)

    def test_where_the_program_serves_them(self):
        cases = {  # name: (top of the saturation runs served, a cold water served)
            "Gypsum": (374.0, True),      # fit 0-300 C, 300-374 C by extrapolation
            "Illite": (374.0, True),
            "NaHCO3,aq": (200.0, True),   # fit 0-200 C
            "Goethite": (200.0, True),
        }
        temperatures = np.arange(20.0, 374.01, 0.25)
        for name, (top, cold) in cases.items():
            tab = self.by[name]["table"]
            self.assertEqual(tab.shape, (37, 36), name)
            served = [t for t in temperatures if served_on_curve(tab, t)]
            self.assertEqual((served[0], served[-1]), (20.0, top), name)
            self.assertEqual(len(served), sum(1 for t in temperatures if t <= top), name)
            self.assertEqual(all(tab[cell] != ABSENT for cell in cold_block()), cold, name)

    def test_a_25_c_value_alone_stays_a_short_table(self):
        for name in ("SrSO4,aq", "Epsomite", "AlSO4+"):
            tab = self.by[name]["table"]
            self.assertEqual(len(tab), 8)
            self.assertNotEqual(tab[0], ABSENT, name)
            self.assertTrue(all(v == ABSENT for v in tab[1:]), name)

    def test_cells_agree_with_the_short_table_of_before(self):
        # On the short table's temperatures the curve holds the fit as the
        # short table did; between them the fit itself (the program's
        # interpolation through nodes 25 C apart instead of 50 C).
        e = self.db.converter.by_name[("mineral", "Gypsum")]
        tab = self.by["Gypsum"]["table"]
        for t in (25.0, 50.0, 75.0, 100.0, 150.0, 275.0, 300.0):
            terms = self.by["Gypsum"]["terms"]
            want = self.db.converter.convert(e, terms)[llnl.CURVE_T.index(t)]
            self.assertAlmostEqual(tab[llnl.CURVE_CELLS[llnl.CURVE_T.index(t)]], want, places=10)

    def test_ion_sizes_by_charge(self):
        self.assertEqual(self.by["NaCO3-"]["size"], 1.81)
        self.assertEqual(self.by["AlSO4+"]["size"], 2.31)
        self.assertEqual(self.by["NaHCO3,aq"]["size"], 0.0)
        self.assertEqual(self.by["NaCO3-"]["alk"], 2.0)
        self.assertEqual(self.by["NaHCO3,aq"]["alk"], 1.0)


def converted_vs_slop98(db):
    """(|diff|, diff, kind, name, T, slop98, converted LLNL) for every entry
    of the LLNL set with a fit that slop98 holds with the same composition."""
    conv, bs = db.converter, db.basis
    _, sp = support.slop98()
    out = []
    for (kind, name), e in conv.by_name.items():
        if e.coeffs is None:
            continue
        sname = llnl.slop_name(name) if kind == "aqueous" else name
        s = sp.get(sname)
        if s is None or s.get("nodata") or s.get("placeholder") or s["kind"] != kind:
            continue
        comp = llnl.composition(e, sp)
        if comp is None or comp[1] != s["charge"] or any(
                abs(comp[0].get(k, 0.0) - s["elements"].get(k, 0.0)) > 1e-6
                for k in set(comp[0]) | set(s["elements"])):
            continue
        terms, _ = bs.write(s["elements"], s["charge"])
        if terms is None:
            continue
        ours = conv.logk_ours(sname, terms)
        k = conv.convert(e, terms)
        for t in llnl.SHORT_T[:7]:
            i = llnl.CURVE_T.index(t)
            if np.isfinite(k[i]):
                d = ours[i] - k[i]
                out.append((abs(d), d, kind, name, t, ours[i], k[i]))
    return out


@support.needs_thermo
class Conversion(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.db = support.database()
        cls.conv = cls.db.converter

    def through_both(self, name):
        _, sp = support.slop98()
        e = self.conv.by_name[("mineral", name)]
        terms, _ = self.db.basis.write(sp[name]["elements"], sp[name]["charge"])
        raw = self.conv.raw(e) + self.conv.link(e, terms)
        return self.conv.logk_ours(name, terms), raw, self.conv.convert(e, terms)

    def test_a_reaction_through_al_agrees_once_corrected(self):
        # Muscovite (3 Al), K-feldspar (1 Al): through LLNL's Al+3 they miss
        # slop98 by about 0.6 per Al at 25 C; corrected by the Al+3
        # difference measured on kaolinite they agree.
        for name, n_al in (("Muscovite", 3), ("K-Feldspar", 1), ("Albite", 1)):
            ours, raw, converted = self.through_both(name)
            at25 = llnl.CURVE_T.index(25.0)
            self.assertGreater(abs(ours[at25] - raw[at25]), 0.5 * n_al, name)
            for t in llnl.SHORT_T[:7]:
                i = llnl.CURVE_T.index(t)
                self.assertLess(abs(ours[i] - converted[i]), 0.07, (name, t))

    def test_basis_species_used_by_the_additions_agree(self):
        # Each LLNL basis species that the additions use without a
        # correction, measured on a reaction present in both sets, per unit
        # of the basis species, at 25 and 50 C (above, the two sets' mineral
        # heat capacities differ for some references: hematite by 0.44 per Fe
        # at 300 C).
        checks = {"Ca+2": "Calcite", "Mg+2": "Brucite", "Na+": "Halite", "K+": "Sylvite",
                  "Sr+2": "Celestite", "Ba+2": "Barite", "Fe+2": "Siderite",
                  "Fe+3": "Hematite", "SiO2": "Enstatite", "HCO3-": "Calcite",
                  "SO4-2": "Anhydrite", "Cl-": "Halite", "F-": "Fluorite", "Zn+2": "Smithsonite"}
        used = {b for kind, name, _ in llnl.ADDITIONS
                for _, b in self.conv.by_name[(kind, name)].terms}
        corrected = {"Al+3", "Mn+2", "Mn+3", "MnO4-2"}
        self.assertEqual(used - set(checks) - corrected - {"H+", "H2O", "HPO4-2", "B(OH)3"},
                         set())
        for b, name in checks.items():
            ours, _, converted = self.through_both(name)
            nu = sum(v for v, x in self.conv.by_name[("mineral", name)].terms if x == b)
            for t in (25.0, 50.0):
                i = llnl.CURVE_T.index(t)
                self.assertLess(abs(ours[i] - converted[i]) / nu, 0.06, (b, name, t))
        for kind, name, ref in (("aqueous", "H2PO4-", "H2PO4-"), ("aqueous", "BO2-", "BO2-")):
            _, sp = support.slop98()
            e = self.conv.by_name[(kind, name)]
            terms, _ = self.db.basis.write(sp[ref]["elements"], sp[ref]["charge"])
            d = self.conv.logk_ours(ref, terms) - self.conv.convert(e, terms)
            self.assertLess(np.max(np.abs(llnl.short_of_curve(d)[:7])), 0.06, name)

    def test_entries_in_both_sets_agree(self):
        rows = converted_vs_slop98(self.db)
        med = statistics.median(r[0] for r in rows)
        print("\n  LLNL converted vs slop98: %d entries, %d values at 25-300 C, "
              "median |diff| %.4f" % (len({r[3] for r in rows}), len(rows), med))
        for t in llnl.SHORT_T[:7]:
            print("    %5.0f C: median |diff| %.4f"
                  % (t, statistics.median(r[0] for r in rows if r[4] == t)))
        worst, seen = [], set()
        for r in sorted(rows, reverse=True):
            if r[3] not in seen:
                seen.add(r[3])
                worst.append(r)
        print("  worst entries:")
        for r in worst[:15]:
            print("    %-8s %-16s %5.0f C slop98 %9.3f LLNL %9.3f diff %+.3f"
                  % (r[2], r[3], r[4], r[5], r[6], r[1]))
        self.assertLessEqual(med, 0.05)
        self.assertGreater(len(seen), 300)


if __name__ == "__main__":
    unittest.main()

"""Entries taken from the LLNL data set (thermo.com.V8.R6): reading them,
their whole-grid tables, conversion to the database's basis, and
agreement of converted LLNL log K with the slop98-based ones for entries
present in both sets."""

import os
import statistics
import unittest

import numpy as np

import support

from wqkdb import data0, grids, llnl, llnl_additions, wholegrid  # noqa: E402

LLNL_CSV = os.path.join(support.THERMO, "llnl_logk.csv")


def row(range_c, coeffs=("1", "0", "0", "0", "0")):
    r = {"kind": "mineral", "name": "X", "equation": "CaX = Ca+2 + X-2",
         "log_k_25C": "1.0", "range_C": range_c, "delta_H": "0"}
    for i, c in enumerate(coeffs if range_c else ("",) * 5):
        r["A%d" % (i + 1)] = c
    return r


class ReadingEntries(unittest.TestCase):

    def test_fit_is_evaluated_only_within_its_range(self):
        e = llnl.Entry(row("0-200", ("2", "0.01", "0", "0", "0")))
        self.assertAlmostEqual(e.logk(100.0), 2 + 0.01 * 373.15)
        self.assertIsNone(e.logk(250.0))
        self.assertIsNone(llnl.Entry(row("")).logk(50.0))
        self.assertEqual(llnl.Entry(row("")).logk(25.0), 1.0)

    def test_data_temperatures_and_their_tag(self):
        cases = [
            ("0-300", list(llnl.CURVE_T[:13]), "data 0-300 C"),      # 0.01 to 300 C
            ("0-200", list(llnl.CURVE_T[:9]), "data 0-200 C"),
            ("25-150", [25.0, 50.0, 75.0, 100.0, 125.0, 150.0], "data 25-150 C"),
            ("", [25.0], "data 25 C"),
        ]
        for range_c, temps, tag in cases:
            e = llnl.Entry(row(range_c))
            self.assertEqual(e.curve_temperatures(), temps, range_c)
            self.assertEqual(e.data_tag(), tag, range_c)

    def test_enthalpy_units(self):
        self.assertEqual(llnl.Entry(dict(row(""), delta_H="-23.3216 kJ/mol")).delta_h, -23.3216)
        self.assertEqual(llnl.Entry(dict(row(""), delta_H="0")).delta_h, 0.0)
        with self.assertRaises(ValueError):
            llnl.Entry(dict(row(""), delta_H="-5.57 kcal/mol"))

    def test_aqueous_formation_is_turned_into_a_dissociation(self):
        r = row("", ())
        r.update({"kind": "aqueous", "name": "NaCO3-", "log_k_25C": "-9.8",
                  "equation": "Na+ + HCO3- = NaCO3- + H+", "delta_H": "-20 kJ/mol"})
        e = llnl.Entry(r)
        self.assertEqual(sorted(e.terms), sorted([(1.0, "Na+"), (1.0, "HCO3-"), (-1.0, "H+")]))
        self.assertEqual(e.logk(25.0), 9.8)
        # the enthalpy of the formation turned round with the reaction
        self.assertAlmostEqual(e.slope(25.0), -20.0 / (8.314462618e-3 * np.log(10.0)))


class WithCorrection(llnl.Converter):
    """A converter whose correction is a given smooth function of T (no
    data needed)."""

    def __init__(self, corr):
        self.corr = corr

    def correction(self, entry, terms):
        return np.array([self.corr(t) for t in llnl.CURVE_T])


GYPSUM_FIT = ("-2.4417e+2", "-8.3329e-2", "5.5958e+3", "9.9301e+1", "8.7389e+1")


def fit_row(range_c):
    return row(range_c, GYPSUM_FIT)


class WholeGrid(unittest.TestCase):
    """Every LLNL entry over the whole grid: the converted data where they
    apply, van 't Hoff beyond, continuous at the end of the data."""

    def column(self, r, corr=lambda t: 0.0):
        return WithCorrection(corr).column(llnl.Entry(r), None)

    def test_within_the_data_the_converted_fit(self):
        corr = lambda t: 0.3 - 1e-3 * t  # noqa: E731
        e = llnl.Entry(fit_row("0-200"))
        col = self.column(fit_row("0-200"), corr)
        for c, t in enumerate(grids.T_GRID):
            if t <= 200.0:
                self.assertAlmostEqual(col[c], e.fit(t) + corr(t), places=10)
        self.assertTrue(np.all(np.isfinite(col)))

    def test_continuous_at_the_end_of_the_fit(self):
        # Beyond the end log K is linear in 1/T with the converted fit's
        # slope at the end.  That slope lies between the chords of the fit
        # over the steps on either side of the end, and the first value
        # beyond is within the fit's curvature of the fit extrapolated.
        for range_c, corr in (("0-200", lambda t: 0.0), ("0-300", lambda t: 0.2 + 2e-3 * t),
                              ("25-150", lambda t: 0.0)):
            col = self.column(fit_row(range_c), corr)
            e = llnl.Entry(fit_row(range_c))
            k = lambda t: e.fit(t) + corr(t)  # noqa: E731
            lo, hi = e.range_c
            for end, step in ((hi, 25.0), (lo, -24.99)):
                if end + step < 0:
                    continue
                beyond = grids.T_GRID.index(round(end + step, 2))
                x = [1.0 / (t + 273.15) for t in (end - step, end, end + step)]
                chord_in = (k(end) - k(end - step)) / (x[1] - x[0])
                chord_out = (k(end + step) - k(end)) / (x[2] - x[1])
                ours = (col[beyond] - col[grids.T_GRID.index(end)]) / (x[2] - x[1])
                self.assertLess(min(chord_in, chord_out), ours, (range_c, end))
                self.assertLess(ours, max(chord_in, chord_out), (range_c, end))
                self.assertLess(abs(col[beyond] - k(end + step)), 0.1, (range_c, end))
            far = [c for c, t in enumerate(grids.T_GRID) if t >= hi]
            x = np.array([1.0 / (grids.T_GRID[c] + 273.15) for c in far])
            self.assertLess(np.ptp(np.diff(col[far]) / np.diff(x)), 1e-6 * abs(col[far[0]]) + 1e-6)

    def test_a_25_c_value_with_and_without_an_enthalpy(self):
        flat = self.column(row(""))
        self.assertTrue(np.all(flat == 1.0))          # held constant
        r = dict(row(""), delta_H="-40 kJ/mol")
        col = self.column(r)
        for c, t in enumerate(grids.T_GRID):
            want = 1.0 + 40.0 / (8.314462618e-3 * np.log(10.0)) * (1 / (t + 273.15) - 1 / 298.15)
            self.assertAlmostEqual(col[c], want, places=9)

    def test_the_table_repeats_the_column_on_every_row(self):
        tab = wholegrid.table(self.column(fit_row("0-300")))
        self.assertEqual(tab.shape, (37, 36))
        self.assertTrue(np.all(tab == tab[0]))


@support.needs_thermo
class InTheDatabase(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.db = support.database()
        cls.by = {e["name"]: e for e in cls.db.aqueous + cls.db.solids}

    def test_every_addition_is_a_tagged_whole_grid_table(self):
        n = 0
        for e in self.db.aqueous + self.db.solids:
            if not e.get("llnl"):
                continue
            n += 1
            entry = self.db.converter.by_name[(e["kind"], e["llnl"])]
            tab = e["table"]
            self.assertTrue(np.all(np.isfinite(tab)) and np.all(tab == tab[0]), e["name"])
            self.assertEqual(e["tag"], entry.data_tag(), e["name"])
            want = self.db.converter.convert(entry, e["terms"])
            for t in entry.curve_temperatures():
                i = llnl.CURVE_T.index(t)
                self.assertAlmostEqual(tab[llnl.CURVE_CELLS[i]], want[i], places=10, msg=e["name"])
        self.assertEqual(n, len(llnl_additions.ADDITIONS))

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
                  "SO4-2": "Anhydrite", "Cl-": "Halite", "F-": "Fluorite", "Zn+2": "Smithsonite",
                  "Cu+2": "Tenorite", "Ni+2": "Bunsenite"}
        # Cd+2 and Co+2 share no entry of the same data with slop98 (their
        # chloride complexes are revised data): the data0 files, generated
        # from the LLNL set's data, report slop98's reference data for them.
        same_reference = {"Cd+2": "Cd++", "Co+2": "Co++"}
        aqueous = {"HPO4-2": ("H2PO4-", "H2PO4-"), "B(OH)3": ("BO2-", "BO2-"),
                   "Li+": ("LiCl", "LiCl(aq)")}
        used = {b for kind, name, _ in llnl_additions.ADDITIONS
                for _, b in self.conv.by_name[(kind, name)].terms}
        corrected = {"Al+3"}
        on_the_llnl_reference = {"Mn+2", "Mn+3", "MnO4-2"}       # test_manganese.py
        self.assertEqual(used - set(checks) - set(same_reference) - set(aqueous) - corrected
                         - on_the_llnl_reference - {"H+", "H2O"}, set())
        _, _, d0 = data0.parse(os.path.join(support.THERMO, "data0.shv"))
        d0 = {e["name"]: e for e in d0}
        _, sp = support.slop98()
        for b, name in same_reference.items():
            self.assertTrue(data0.same_data(d0[name]["ref"], sp[name]), b)
        for b, name in checks.items():
            ours, _, converted = self.through_both(name)
            nu = sum(v for v, x in self.conv.by_name[("mineral", name)].terms if x == b)
            for t in (25.0, 50.0):
                i = llnl.CURVE_T.index(t)
                self.assertLess(abs(ours[i] - converted[i]) / nu, 0.06, (b, name, t))
        for name, ref in aqueous.values():
            e = self.conv.by_name[("aqueous", name)]
            terms, _ = self.db.basis.write(sp[ref]["elements"], sp[ref]["charge"])
            d = self.conv.logk_ours(ref, terms) - self.conv.convert(e, terms)
            at = [llnl.CURVE_T.index(t) for t in llnl.SHORT_T[:7]]
            self.assertLess(np.max(np.abs(d[at])), 0.06, name)

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

"""The Pitzer database examples/pitzer/LOGKDATA.KDB and its parameter file
examples/pitzer/PITZER.DAT: the program's layout, the component numbers of
the bundled database, log K against hand evaluations of the data set's
expressions, the parameters as the data set gives them, and that both files
are what the builder writes now."""

import math
import os
import re
import tempfile
import unittest

import support
from test_database import KdbFile, ABSENT, aqueous_reaction, mineral_reaction, real_field

PITZER_DAT = os.path.join(support.THERMO, "pitzer.dat")
PITZER_DIR = os.path.join(support.REPO, "examples", "pitzer")
PITZER_KDB = os.path.join(PITZER_DIR, "LOGKDATA.KDB")
PITZER_PARAMETERS = os.path.join(PITZER_DIR, "PITZER.DAT")

needs_pitzer_data = support.needs(os.path.isfile(PITZER_DAT), "pitzer.dat (" + PITZER_DAT + ")")
needs_pitzer_kdb = support.needs(os.path.isfile(PITZER_KDB), "examples/pitzer/LOGKDATA.KDB")

# Components the Pitzer data share with the bundled database, by number.
SHARED = {1: "H+", 2: "H2O", 3: "Cl-", 4: "SO4--", 5: "HCO3-", 6: "HS-", 8: "Br-", 9: "Ca++",
          10: "Mg++", 11: "SiO2,aq", 12: "K+", 13: "Na+", 15: "Fe++", 17: "Mn++", 18: "Sr++",
          19: "Ba++", 20: "Li+", 23: "B(OH)3,aq", 31: "O2,aq", 45: "CH4,aq", 46: "H2,aq",
          47: "N2,aq"}

SHORT_T = (25.0, 50.0, 100.0, 150.0, 200.0, 250.0, 300.0, 350.0)
LN10_R_KJ = math.log(10.0) * 8.314462618e-3

# The measured-temperature tag of an entry's comment ("data 25 C", "data 0-200 C").
DATA_TAG = re.compile(r"(?:^| |, |; )data (\d+(?:\.\d+)?)(?:-(\d+(?:\.\d+)?))? C(?:[;, ]|$)")


def analytic(a, t_c):
    """log K = A1 + A2 T + A3/T + A4 log10 T + A5/T^2 + A6 T^2 (T in K)."""
    t = t_c + 273.15
    a = list(a) + [0.0] * (6 - len(a))
    return a[0] + a[1] * t + a[2] / t + a[3] * math.log10(t) + a[4] / t ** 2 + a[5] * t ** 2


def read_parameter_file(path):
    """PITZER.DAT by its documented layout: kind, species, numbers."""
    count = {"B0": 2, "B1": 2, "B2": 2, "C0": 2, "THETA": 2, "LAMBDA": 2, "ZETA": 3, "PSI": 3,
             "ALPHAS": 2}
    terms, ranges = [], {}
    with open(path, encoding="ascii") as f:
        for line in f:
            words = line.split("#")[0].split()
            if not words:
                continue
            if words[0] in ("TEMPERATURE", "IONIC_STRENGTH"):
                ranges[words[0]] = [float(w) for w in words[1:]]
                continue
            n = count[words[0]]
            terms.append((words[0], tuple(words[1:1 + n]), [float(w) for w in words[1 + n:]]))
    return terms, ranges


@needs_pitzer_kdb
class Layout(unittest.TestCase):
    """The file as the program reads it."""

    @classmethod
    def setUpClass(cls):
        cls.kdb = KdbFile(PITZER_KDB)
        cls.by_name = {}
        for r in cls.kdb.aqueous:
            cls.by_name[r["name_line"][:20].strip()] = ("aqueous", r)
        for m in cls.kdb.solids:
            cls.by_name[m["l2"][:20].strip()] = ("solid", m)
        # A mineral's or gas's free line 3, after its separator and header.
        lines = cls.kdb.lines
        cls.solid_comment = {lines[i + 1][:20].strip(): lines[i + 2] for i in range(len(lines) - 2)
                             if lines[i] in ("-" * 20 + " mineral", "-" * 20 + " gas")}

    def test_activity_tables_are_the_bundled_ones(self):
        bundled = KdbFile(support.KDB)
        for ours, theirs in zip(self.kdb.tables, bundled.tables):
            self.assertTrue((ours == theirs).all())

    def test_components_carry_the_bundled_numbers(self):
        bundled = dict(KdbFile(support.KDB).components)
        comps = dict(self.kdb.components)
        self.assertEqual(sorted(comps), list(range(1, 48)))
        for k, line in comps.items():
            if k in SHARED:
                self.assertEqual(line[:20].strip(), SHARED[k])
                self.assertEqual(line, bundled[k])
            else:
                self.assertEqual(line[:20].strip(), "unused %d" % k)
                self.assertEqual(real_field(line[20:22], 0), 0.0)
                self.assertEqual(real_field(line[39:47], 4), 0.0)

    def check_terms(self, name, terms, charge):
        comps = dict(self.kdb.components)
        self.assertTrue(1 <= len(terms) <= 12, name)
        z = 0.0
        for c, k in terms:
            self.assertIn(k, SHARED, name)
            self.assertNotEqual(c, 0.0, name)
            z += c * real_field(comps[k][20:22], 0)
        self.assertAlmostEqual(z, charge, places=9, msg=name)

    def test_aqueous_records(self):
        names = [r["name_line"][:20].strip() for r in self.kdb.aqueous]
        self.assertEqual(len(names), len(set(names)))
        self.assertEqual(set(names), {
            "OH-", "CO3--", "CO2,aq", "HSO4-", "H2S,aq", "(H2S)2,aq", "B(OH)4-", "B3O3(OH)4-",
            "B4O5(OH)4--", "CaB(OH)4+", "MgB(OH)4+", "MgOH+", "MgCO3,aq", "H3SiO4-", "H2SiO4--"})
        for r in self.kdb.aqueous:
            nl, p = r["name_line"], r["prop"]
            self.assertEqual(nl[80:84], "    ")
            # Psat: extended runs use it; the Pitzer model refuses those
            # above the saturation pressure.
            self.assertEqual(nl[90:94], "Psat")
            z = real_field(p[8:11], 0)
            self.check_terms(nl[:20].strip(), aqueous_reaction(r["react"]), z)
            self.check_whole_table(r["table"], nl[:20])
        self.assertEqual(self.by_name["CO2,aq"][1]["prop"][26:31], "10.00")

    def test_mineral_and_gas_records(self):
        gases = set()
        for m in self.kdb.solids:
            l2 = m["l2"]
            self.assertEqual(l2[90:94], "Psat")
            self.assertIn(l2[80:84], ("GAS ", "    "))
            if l2[80:84] == "GAS ":
                gases.add(l2[:20].strip())
            self.check_terms(l2[:20].strip(), mineral_reaction(m["l4"]), 0.0)
            self.check_whole_table(m["table"], l2[:20])
        self.assertEqual(gases, {"CO2(g)", "H2O(g)", "O2(g)", "H2(g)", "N2(g)", "CH4(g)", "H2S(g)"})
        self.assertEqual(len(self.kdb.solids), 71)

    def check_whole_table(self, table, name):
        """8 values at 25-350 C, every one a log K: the entry serves every
        temperature of the database."""
        self.assertEqual(table.shape, (8,), name)
        self.assertTrue(all(math.isfinite(v) and v != ABSENT and abs(v) < 1e4 for v in table), name)

    def test_reading_ends_cleanly(self):
        rest = [ln for ln in self.kdb.lines[self.kdb.i:] if ln.strip()]
        self.assertEqual(rest, [])

    def table(self, name):
        kind, rec = self.by_name[name]
        return list(rec["table"])

    def test_log_k_by_hand(self):
        """Values against the data set's expressions, evaluated here."""
        hco3 = (107.8975, 0.03252849, -5151.79, -38.92561, 563713.9)   # CO3-2 + H+ = HCO3-
        co2 = (464.1965, 0.09344813, -26986.16, -165.75951, 2248628.9)  # CO3-2 + 2H+ = CO2 + H2O
        cases = [
            # Halite = Na+ + Cl-
            ("Halite", 100.0, analytic((159.605, 8.4294e-2, -3975.6, -66.857, 0, -4.9364e-5), 100.0)),
            # Gypsum = Ca++ + SO4-- + 2 H2O
            ("Gypsum", 50.0, analytic((82.381, 0, -3804.5, -29.9952), 50.0)),
            # Calcite = Ca++ + CO3-- = Ca++ + HCO3- - H+
            ("Calcite", 25.0, analytic((-67.278, -5.0767e-2, 0, 29.8956), 25.0)
             + analytic(hco3, 25.0)),
            # CO2,aq = HCO3- + H+ - H2O
            ("CO2,aq", 150.0, analytic(hco3, 150.0) - analytic(co2, 150.0)),
            # CO2(g) = CO2 = HCO3- + H+ - H2O
            ("CO2(g)", 100.0, analytic((11.74, -2.7311e-2, -4091.3, 0, 5.875e5, 2.307e-5), 100.0)
             + analytic(hco3, 100.0) - analytic(co2, 100.0)),
            # OH- = H2O - H+: -log K of H2O = OH- + H+
            ("OH-", 25.0, -analytic((293.29227, 0.1360833, -10576.913, -123.73158, 0,
                                     -6.996455e-5), 25.0)),
            # MgOH+ = Mg++ + H2O - H+, log K 11.809 at 25 C and van 't Hoff
            # with 15.419 kcal/mol for the formation (dissociation: opposite)
            ("MgOH+", 50.0, 11.809 + 15.419 * 4.184 / LN10_R_KJ * (1 / 323.15 - 1 / 298.15)),
            # Brucite = Mg++ + 2 OH- = Mg++ + 2 H2O - 2 H+ (van 't Hoff, 4.85 kcal/mol)
            ("Brucite", 50.0, -10.88 - 4.85 * 4.184 / LN10_R_KJ * (1 / 323.15 - 1 / 298.15)
             - 2 * analytic((293.29227, 0.1360833, -10576.913, -123.73158, 0, -6.996455e-5),
                            50.0)),
            # Kainite: log K at 25 C alone
            ("Kainite", 25.0, -0.193),
            # Kalicinite = K+ + H+ + CO3-- = K+ + HCO3-
            ("Kalicinite", 25.0, -9.94 + analytic(hco3, 25.0)),
        ]
        for name, t, expected in cases:
            got = self.table(name)[SHORT_T.index(t)]
            self.assertAlmostEqual(got, expected, delta=6e-5, msg=name)

    def comment(self, name):
        kind, rec = self.by_name[name]
        return rec["name_line"][21:80] if kind == "aqueous" else self.solid_comment[name]

    def test_every_entry_names_the_temperatures_of_its_data(self):
        """No entry's data cover 25-350 C: each comment carries the tag,
        with the range of its data (the intersection of its terms')."""
        expected = {"Halite": "0-200", "CO2,aq": "0-200", "Dolomite": "50-175", "CH4(g)": "25-100",
                    "H2S(g)": "0-300", "MgOH+": "25", "Brucite": "25", "Syngenite": "25",
                    "Kainite": "25", "B(OH)4-": "25", "Kalicinite": "25"}
        for name in self.by_name:
            m = DATA_TAG.search(self.comment(name))
            self.assertIsNotNone(m, name)
            if name in expected:
                self.assertEqual(m.group(1) + ("-" + m.group(2) if m.group(2) else ""),
                                 expected[name], name)

    def test_values_beyond_the_data(self):
        """Past its data an expression as it stands, or continued at the
        slope of its end; van 't Hoff; a log K alone held."""
        def ch4(t_c):
            return analytic((10.44, -7.65e-3, -6669, 0, 1.014e6), t_c)
        h, end = 1e-3, 373.15
        slope = -end ** 2 * (ch4(100.0 + h) - ch4(100.0 - h)) / (2 * h)   # d log K / d(1/T)
        cases = [
            ("MgOH+", 150.0, 11.809 + 15.419 * 4.184 / LN10_R_KJ * (1 / 423.15 - 1 / 298.15)),
            ("Kainite", 300.0, -0.193),
            ("Halite", 300.0, analytic((159.605, 8.4294e-2, -3975.6, -66.857, 0, -4.9364e-5), 300.0)),
            # its heat capacity changes sign at 238 C: continued from 100 C
            ("CH4(g)", 200.0, ch4(100.0) + slope * (1 / 473.15 - 1 / end)),
        ]
        for name, t, value in cases:
            self.assertAlmostEqual(self.table(name)[SHORT_T.index(t)], value, delta=6e-5, msg=name)


@needs_pitzer_data
class Continuation(unittest.TestCase):

    def test_log_k_is_smooth_where_the_data_end(self):
        """Value and slope continuous at every end of every term's range:
        the second difference across it is that of a smooth curve (a jump
        of 1e-6 or a kink of 1e-3 per K would show)."""
        from wqkdb import pitzer
        db = pitzer.build(PITZER_DAT)
        h = 1e-3
        for e in db.aqueous + db.solids:
            lk = e["logk"]
            ends = {t for _, s in lk.terms.values() for t in s.range_c if 25.0 < t < 350.0}
            for t in ends:
                second = lk.at(t - h) - 2.0 * lk.at(t) + lk.at(t + h)
                self.assertLess(abs(second), 1e-6, (e["name"], t))


@needs_pitzer_kdb
class ParameterFile(unittest.TestCase):

    def test_every_species_is_in_the_database(self):
        kdb = KdbFile(PITZER_KDB)
        names = {line[:20].strip() for _, line in kdb.components}
        names |= {r["name_line"][:20].strip() for r in kdb.aqueous}
        terms, ranges = read_parameter_file(PITZER_PARAMETERS)
        self.assertEqual(ranges, {"TEMPERATURE": [0.0, 200.0], "IONIC_STRENGTH": [20.0]})
        for kind, species, numbers in terms:
            for s in species:
                self.assertIn(s, names, (kind, species))
            self.assertTrue(1 <= len(numbers) <= 6)

    @needs_pitzer_data
    def test_round_trip_from_the_data_set(self):
        """Every parameter line of pitzer.dat, in order, with the same
        coefficients (bit for bit) and the species renamed as the database
        names them."""
        from wqkdb import pitzerdat, pitzer
        source = pitzerdat.load(PITZER_DAT).parameters
        terms, _ = read_parameter_file(PITZER_PARAMETERS)
        self.assertEqual(len(terms), len(source))
        self.assertEqual(len(source), 268)
        for (kind, species, numbers), p in zip(terms, source):
            self.assertEqual(kind, p.kind)
            self.assertEqual(species, tuple(pitzer.program_name(s) for s in p.species))
            self.assertEqual(numbers, list(p.coefficients))
        renamed = {t[1] for t in terms if "SiO2,aq" in t[1] or "(H2S)2,aq" in t[1]}
        self.assertIn(("Ca++", "SiO2,aq"), renamed)
        self.assertIn(("Cl-", "(H2S)2,aq"), renamed)


@needs_pitzer_data
class DataSetReader(unittest.TestCase):

    def test_parses_reactions_options_and_blocks(self):
        from wqkdb import pitzerdat
        d = pitzerdat.load(PITZER_DAT)
        by = {r.name: r for r in d.species + d.phases}
        self.assertEqual(by["HCO3-"].lhs, [(1.0, "CO3-2"), (1.0, "H+")])
        self.assertAlmostEqual(by["HCO3-"].delta_h, -3.561 * 4.184)       # kcal -> kJ
        self.assertEqual(by["Akermanite"].delta_h, -289.0)                # kJ/mol
        self.assertEqual(by["Enstatite"].rhs[0], (-1.0, "H2O"))           # "= - H2O + ..."
        self.assertEqual(by["Sepiolite"].lhs[2], (0.5, "H2O"))
        self.assertEqual(by["H2O(g)"].analytic, (-16.5066, -2.0013e-3, 2710.7, 3.7646, 0.0, 2.24e-6))
        self.assertEqual(by["Gypsum"].vm, [73.9])
        self.assertNotIn("Antigorite", by)                                # commented out
        self.assertNotIn("CaCO3", by)
        kinds = {}
        for p in d.parameters:
            kinds[p.kind] = kinds.get(p.kind, 0) + 1
        self.assertEqual(kinds, {"B0": 54, "B1": 48, "B2": 8, "C0": 32, "THETA": 30,
                                 "LAMBDA": 27, "ZETA": 10, "PSI": 59})

    def test_bad_lines_name_their_line(self):
        from wqkdb import pitzerdat
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "p.dat")
            for text, line in (("PITZER\n-B0\n  Na+ Cl- x\n", 3),
                               ("PITZER\n  Na+ Cl- 0.1\n", 2),
                               ("PITZER\n-B7\n", 2),
                               ("SOLUTION_SPECIES\nCO3-2 + H+ = HCO3-\n  log_k\n", 3)):
                with open(path, "w") as f:
                    f.write(text)
                with self.assertRaisesRegex(pitzerdat.PitzerDataError, "line %d:" % line):
                    pitzerdat.load(path)


@needs_pitzer_data
@needs_pitzer_kdb
class Current(unittest.TestCase):

    def test_committed_files_are_current(self):
        from wqkdb import pitzer
        with tempfile.TemporaryDirectory() as d:
            db = pitzer.build(PITZER_DAT)
            pitzer.write_kdb(db, os.path.join(d, "LOGKDATA.KDB"), support.KDB)
            pitzer.write_parameters(db, os.path.join(d, "PITZER.DAT"))
            for name in ("LOGKDATA.KDB", "PITZER.DAT"):
                with open(os.path.join(d, name), "rb") as f:
                    new = f.read()
                with open(os.path.join(PITZER_DIR, name), "rb") as f:
                    old = f.read()
                self.assertTrue(new == old, "examples/pitzer/%s differs from a fresh build: "
                                "run /usr/bin/python3 tools/kdb/build_pitzer.py" % name)


if __name__ == "__main__":
    unittest.main()

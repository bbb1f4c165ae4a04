"""Rules of the builder that need no data: one entry per species."""

import unittest

import support  # noqa: F401  (puts the builder on the path)

from wqkdb import duplicates  # noqa: E402


class OneEntryPerSpecies(unittest.TestCase):

    def test_species_differing_by_water_are_refused(self):
        entries = [("HAsO2,aq", {"H": 1, "As": 1, "O": 2}, 0),
                   ("AsO2-", {"As": 1, "O": 2}, -1),
                   ("H2AsO3-", {"H": 2, "As": 1, "O": 3}, -1)]
        with self.assertRaises(RuntimeError) as cm:
            duplicates.refuse_duplicates(entries)
        self.assertIn("AsO2-", str(cm.exception))
        self.assertIn("H2AsO3-", str(cm.exception))

    def test_other_compositions_or_charges_pass(self):
        # FeO+ and FeOH++ differ by H+, not by water; HSO4- and SO4-- by charge
        duplicates.refuse_duplicates([
            ("FeO+", {"Fe": 1, "O": 1}, 1), ("FeOH++", {"Fe": 1, "O": 1, "H": 1}, 2),
            ("HSO4-", {"H": 1, "S": 1, "O": 4}, -1), ("SO4--", {"S": 1, "O": 4}, -2)])


if __name__ == "__main__":
    unittest.main()

"""Component species (database numbers) and the writing of every other
species as a dissociation reaction on them.

Database numbers with a fixed meaning for the program: 1 H+, 2 H2O, 3 Cl-,
4 SO4--, 5 HCO3- (carbonate, used with alkalinity), 6 HS-, 9 Ca++,
10 Mg++ (divalent cation of the osmotic model), 12 K+, 13 Na+, 31 O2,aq, and
45-48, whose presence in a run suppresses the reduced species that are slow
to equilibrate with the rest of the redox system: 45 CH4,aq (the methane
family), 46 H2,aq, 47 N2,aq, 48 NH3,aq.  These four are decoupled basis
species: no aqueous species or mineral is written on them; when one is
given in a run, the like-named aqueous species (written on the
redox-coupled basis) is suppressed and the component carries that substance
alone.  Two entries name CH4,aq, which has no like-named species: the gas
CH4(g) = CH4,aq and the redox couple of carbon (methane.py).

Rules for writing a reaction (element and charge balance, exact to three
decimals):

1. Elements other than H and O come from their component; H and O are
   balanced with H+ and H2O.
2. Elements with components in two oxidation states - Fe (Fe++, Fe+++),
   S (HS-, SO4--), N (NH4+, NO3-) and As (HAsO2,aq for As(III), H2AsO4- for
   As(V)) - are written on the component of their own oxidation state when
   that balances without electrons.
3. Mixed-valence iron (magnetite) and sulfur in intermediate oxidation
   states (thiosulfate, sulfite, polythionates, polysulfides, pyrite) are
   written on both components of the element, without electron transfer.
   HS- and O2,aq never appear in the same run, so a sulfur species written
   on HS- together with O2,aq could never be used; written on the
   sulfide-sulfate pair it is available in exactly the runs that carry
   reduced sulfur, whose redox state the program then refers to that same
   couple.
4. All other species that need electrons are balanced with O2,aq, on the
   component whose oxidation state is nearest (smallest O2 coefficient);
   HS- is never combined with O2,aq (sulfur then goes on SO4--).
"""

import itertools

import numpy as np

# (number, program name, slop98 name, alkalinity factor)
#
# Alkalinity factors follow the proton condition of Dickson (1981): the zero
# level is made of the acids with pK >= 4.5 (25 C) and of the anions of the
# strong acids: H2O, CO2 (H2CO3), H2S, B(OH)3, Si(OH)4, NH4+, H2PO4-,
# H2AsO4-, H3AsO3, HCrO4-, F-, SO4--, Cl-, NO3- and the free metal ions.
# A component's factor is the number of protons it takes up to reach the
# zero level (H+ counts -1); a species' factor follows from its reaction as
# the sum of coefficient x factor of its components, which gives CO3-- 2,
# OH- 1, CaHCO3+ 1, B(OH)4- 1, HSiO3- 1, NH3 1, HSO4- -1, HF -1, H3PO4 -1,
# MgOH+ 1 and so on.  Species balanced with O2,aq or written on the
# sulfide-sulfate pair get 0 (the proton condition of a redox reaction is
# not an acid-base count; these species are minor in natural waters).
COMPONENTS = [
    (1, "H+", "H+", -1.0),
    (2, "H2O", "H2O(l)", 0.0),
    (3, "Cl-", "Cl-", 0.0),
    (4, "SO4--", "SO4--", 0.0),
    (5, "HCO3-", "HCO3-", 1.0),
    (6, "HS-", "HS-", 1.0),
    (7, "F-", "F-", 0.0),
    (8, "Br-", "Br-", 0.0),
    (9, "Ca++", "Ca++", 0.0),
    (10, "Mg++", "Mg++", 0.0),
    (11, "SiO2,aq", "SiO2(aq)", 0.0),
    (12, "K+", "K+", 0.0),
    (13, "Na+", "Na+", 0.0),
    (14, "Al+++", "Al+++", 0.0),
    (15, "Fe++", "Fe++", 0.0),
    (16, "Fe+++", "Fe+++", 0.0),
    (17, "Mn++", "Mn++", 0.0),
    (18, "Sr++", "Sr++", 0.0),
    (19, "Ba++", "Ba++", 0.0),
    (20, "Li+", "Li+", 0.0),
    (21, "NH4+", "NH4+", 0.0),
    (22, "NO3-", "NO3-", 0.0),
    (23, "B(OH)3,aq", "B(OH)3(aq)", 0.0),
    (24, "HPO4--", "HPO4--", 1.0),
    (25, "Zn++", "Zn++", 0.0),
    (26, "Cu++", "Cu++", 0.0),
    (27, "Pb++", "Pb++", 0.0),
    (28, "H2AsO4-", "H2AsO4-", 0.0),
    (29, "HAsO2,aq", "HAsO2(aq)", 0.0),
    (30, "Cd++", "Cd++", 0.0),
    (31, "O2,aq", "O2(aq)", 0.0),
    (32, "Ni++", "Ni++", 0.0),
    (33, "Co++", "Co++", 0.0),
    (34, "Hg++", "Hg++", 0.0),
    (35, "Ag+", "Ag+", 0.0),
    (36, "Au+", "Au+", 0.0),
    (37, "Rb+", "Rb+", 0.0),
    (38, "Cs+", "Cs+", 0.0),
    (39, "I-", "I-", 0.0),
    (40, "UO2++", "UO2++", 0.0),
    (41, "HSbO2,aq", "HSbO2(aq)", 0.0),
    (42, "CrO4--", "CrO4--", 1.0),
    (43, "MoO4--", "MoO4--", 0.0),
    (44, "SeO4--", "SeO4--", 0.0),
    (45, "CH4,aq", None, 0.0),
    (46, "H2,aq", "H2(aq)", 0.0),
    (47, "N2,aq", "N2(aq)", 0.0),
    (48, "NH3,aq", "NH3(aq)", 1.0),
    (49, "Be++", "Be++", 0.0),
    (50, "Tl+", "Tl+", 0.0),
    (51, "Ra++", "Ra++", 0.0),
    (52, "WO4--", "WO4--", 0.0),
    (53, "Sn++", "Sn++", 0.0),
    (54, "H2VO4-", "H2VO4-", 0.0),
    (55, "Y+++", "Y+++", 0.0),
    (56, "La+++", "La+++", 0.0),
    (57, "Ce+++", "Ce+++", 0.0),
    (58, "Pr+++", "Pr+++", 0.0),
    (59, "Nd+++", "Nd+++", 0.0),
    (60, "Sm+++", "Sm+++", 0.0),
    (61, "Eu+++", "Eu+++", 0.0),
    (62, "Gd+++", "Gd+++", 0.0),
    (63, "Tb+++", "Tb+++", 0.0),
    (64, "Dy+++", "Dy+++", 0.0),
    (65, "Ho+++", "Ho+++", 0.0),
    (66, "Er+++", "Er+++", 0.0),
    (67, "Tm+++", "Tm+++", 0.0),
    (68, "Yb+++", "Yb+++", 0.0),
    (69, "Lu+++", "Lu+++", 0.0),
    (70, "He,aq", "He(aq)", 0.0),
]

DECOUPLED = (45, 46, 47, 48)
# The program reads at most 12 terms per reaction.
MAX_TERMS = 12
H_PLUS, H2O, O2 = 1, 2, 31
HS, SO4 = 6, 4

# element -> components carrying it, in the order tried (reduced first)
FAMILY_ORDER = {"Fe": (15, 16), "S": (6, 4), "N": (21, 22), "As": (29, 28)}
MIXABLE = ("Fe", "S")

# Formula of CH4,aq for the component line (no aqueous data in slop98 XML;
# its Gibbs energy, for the gas and the couple, in methane.py).
EXTRA_COMPONENT_ELEMENTS = {45: ({"C": 1, "H": 4}, 0)}

# Neutral dissolved gases: they take the activity coefficient of CO2 in the
# program (salting-out of nonpolar solutes), flagged by a size above 9.98.
CO2_LIKE = {"CO2,aq", "O2,aq", "H2,aq", "N2,aq", "CH4,aq", "H2S,aq", "CO,aq",
            "Ar,aq", "He,aq", "Ne,aq", "Kr,aq", "Xe,aq", "Rn,aq"}
CO2_LIKE_SIZE = 10.0

# Effective electrostatic radii for ions that HKF81 does not list, by charge
# (HKF81 averages; +4, +5 and -4 extended with the same steps of 0.8).
RADIUS_BY_CHARGE = {1: 2.31, 2: 2.80, 3: 3.60, 4: 4.40, 5: 5.20,
                    -1: 1.81, -2: 3.00, -3: 4.20, -4: 5.40}


def program_name(slop_name):
    """Name as the program shows it: neutral aqueous species carry ',aq'."""
    if slop_name.endswith("(aq)"):
        return slop_name[:-4] + ",aq"
    return slop_name


def size_parameter(name, charge, radii):
    """Size parameter of the database: HKF81 r_e for ions (estimated by
    charge when not listed), 10.00 for CO2-like neutral species, else 0."""
    if charge == 0:
        return CO2_LIKE_SIZE if name in CO2_LIKE else 0.0
    if name in radii:
        return radii[name][1]
    return RADIUS_BY_CHARGE[charge]


class Basis:
    def __init__(self, species_by_name, elements_mass):
        self.comp = {}          # number -> dict(name, slop, alk, elements, charge, mass)
        for num, name, slop, alk in COMPONENTS:
            if slop is None:
                els, z = EXTRA_COMPONENT_ELEMENTS[num]
            elif slop == "H2O(l)":
                els, z = {"H": 2, "O": 1}, 0
            else:
                sp = species_by_name[slop]
                els, z = sp["elements"], sp["charge"]
            mass = sum(elements_mass[e] * n for e, n in els.items())
            self.comp[num] = {"num": num, "name": name, "slop": slop, "alk": alk,
                              "elements": dict(els), "charge": z, "mass": mass}
        self.by_element = {}
        for num, c in self.comp.items():
            if num in DECOUPLED or num in (H_PLUS, H2O, O2):
                continue
            heavy = [e for e in c["elements"] if e not in ("H", "O")]
            assert len(heavy) == 1, c["name"]
            self.by_element.setdefault(heavy[0], []).append(num)
        for e, nums in self.by_element.items():
            if e in FAMILY_ORDER:
                assert tuple(sorted(nums, key=FAMILY_ORDER[e].index)) == FAMILY_ORDER[e]
                self.by_element[e] = list(FAMILY_ORDER[e])
        self.component_slop_names = {c["slop"] for n, c in self.comp.items()
                                     if c["slop"] and n not in DECOUPLED}

    # -- reaction writing -------------------------------------------------
    def _solve(self, els, charge, cols, square):
        keys = sorted(set(els) | {"H", "O"} | {e for n in cols for e in self.comp[n]["elements"]})
        rows = keys + ["charge"]
        a = np.zeros((len(rows), len(cols)))
        b = np.zeros(len(rows))
        for j, n in enumerate(cols):
            for e, k in self.comp[n]["elements"].items():
                a[rows.index(e), j] = k
            a[-1, j] = self.comp[n]["charge"]
        for e, k in els.items():
            b[rows.index(e)] = k
        b[-1] = charge
        if square and np.linalg.matrix_rank(a) < len(cols):
            return None
        x, *_ = np.linalg.lstsq(a, b, rcond=None)
        if np.max(np.abs(a @ x - b)) > 1e-9:
            return None
        return x

    def write(self, els, charge):
        """Dissociation reaction of a species with these elements and charge:
        list of (coefficient, component number) or None when the species
        cannot be written on the components.  Also returns the rule used
        ('own', 'mixed', 'O2')."""
        heavy = [e for e in els if e not in ("H", "O")]
        if any(e not in self.by_element for e in heavy):
            return None, None
        choices = [self.by_element[e] for e in heavy]
        base = [H_PLUS, H2O]
        # rule 2: own oxidation state
        for combo in itertools.product(*choices):
            x = self._solve(els, charge, list(combo) + base, square=False)
            if x is not None:
                return self._terms(list(combo) + base, x), "own"
        # rule 3: mixed valence of Fe or S, no electron transfer
        for i, e in enumerate(heavy):
            if e not in MIXABLE or len(choices[i]) < 2:
                continue
            others = [choices[j] for j in range(len(heavy)) if j != i]
            for combo in itertools.product(*others):
                cols = list(choices[i]) + list(combo) + base
                x = self._solve(els, charge, cols, square=True)
                if x is not None and x[0] > 1e-9 and x[1] > 1e-9:
                    return self._terms(cols, x), "mixed"
        # rule 4: electrons through O2,aq, nearest oxidation state
        best = None
        for combo in itertools.product(*choices):
            if HS in combo:
                continue
            cols = list(combo) + base + [O2]
            x = self._solve(els, charge, cols, square=True)
            if x is None:
                continue
            if best is None or abs(x[-1]) < abs(best[1][-1]) - 1e-9:
                best = (cols, x)
        if best is not None:
            return self._terms(*best), "O2"
        return None, None

    @staticmethod
    def _terms(cols, x):
        # snap the least-squares noise; a coefficient that is not a multiple
        # of 0.001 is kept as it is and the entry is refused by the caller
        snap = [round(v * 1000.0) / 1000.0 if abs(v * 1000.0 - round(v * 1000.0)) < 1e-6
                else round(v * 1e4) / 1e4 if abs(v * 1e4 - round(v * 1e4)) < 1e-6
                else float(v) for v in x]
        terms = [(v, n) for v, n in zip(snap, cols) if abs(v) > 1e-9]
        return sorted(terms, key=lambda t: t[1])

    def alkalinity(self, terms, rule):
        """Alkalinity factor of a species from its reaction (Dickson proton
        condition; 0 for redox-coupled species)."""
        if rule != "own":
            return 0.0
        return sum(v * self.comp[n]["alk"] for v, n in terms)


def exact_at_3_decimals(terms):
    return all(abs(v * 1000.0 - round(v * 1000.0)) < 1e-6 for v, _ in terms)


def exact_at_4_decimals(terms):
    """LLNL formulas of clays and zeolites carry four decimals (Mordenite
    Ca.2895): such coefficients are written with an explicit decimal point."""
    return all(abs(v * 1e4 - round(v * 1e4)) < 1e-5 for v, _ in terms)

"""The LLNL thermodynamic data set thermo.com.V8.R6.230 (J. W. Johnson et
al., Lawrence Livermore National Laboratory, 2000): reading its entries and
converting their log K to the database's components and basis data.  What
is taken is listed in llnl_additions.py.

The LLNL set tabulates log K along the liquid-vapour saturation curve of
water (0-300 C) as an analytic fit

    log K = A1 + A2 T + A3 / T + A4 log10(T) + A5 / T^2      (T in K)

valid over a stated range; entries without a fit carry only log K at 25 C
and, for some, the enthalpy of reaction.  Tables: the converted log K where
the data apply, continued over the whole grid (wholegrid.py).

Conversion to the database's basis.  An LLNL reaction is written on LLNL
basis species (Ca+2, SO4-2, SiO2, Al+3, Fe+3, ...).  Each of them is the
same substance as a slop98 species, and the database writes that species
on its own components; so

    log K(X = our components) = log K_LLNL(X = sum nu_i B_i)
                                + sum nu_i delta_i
                                + log K_slop98(sum nu_i B_i = our components)

The last term follows from the slop98 Gibbs energies of the B_i and of the
components.  delta_i is the difference between the two data sets for basis
species i (log K of a reference reaction present in both, slop98 minus
LLNL, per unit of B_i); it matters for Al+3 (about 0.6-0.7 per Al at 25 C),
see _REFERENCES below.  Manganese needs none: the database's Mn++ is the
LLNL set's Mn+2 (manganese.py).  The other basis species the additions use
agree between the two sets within a few hundredths (checked by the tests).
"""

import csv
import math
import re

import numpy as np

from . import grids
from . import wholegrid


ABSENT = 99999.999
SHORT_T = (25.0, 50.0, 100.0, 150.0, 200.0, 250.0, 300.0, 350.0)
# The saturation curve of the full grid: its 15 temperatures (0.01-350 C,
# the first 15 columns) and the cell, (row, column) 0-based, of each: 1 bar
# below 100 C, from 100 C the grid line of the saturation pressure.
CURVE_T = tuple(grids.T_GRID[:15])
CURVE_CELLS = tuple((0 if c < 4 else grids.ON_CURVE[c], c) for c in range(15))

SOURCE = "LLNL thermo.com.V8.R6"

_TERM = re.compile(r"^([0-9]*\.?[0-9]+)\s+(\S.*)$")


def _side(text):
    out = []
    for t in text.split(" + "):
        t = t.strip()
        m = _TERM.match(t)
        if m:
            out.append((float(m.group(1)), m.group(2).strip()))
        else:
            out.append((1.0, t))
    return out


def _range(text):
    if not text:
        return None
    lo, hi = text.split("-")
    return float(lo), float(hi)


def _coeffs(row):
    vals = [row["A%d" % i].strip() for i in range(1, 6)]
    if not all(vals):
        return None
    return tuple(float(v) for v in vals)


def _enthalpy_kj(text):
    """The data set's enthalpy of reaction, "158.741 kJ/mol" or "0" (none
    given), in kJ/mol; None when blank."""
    parts = text.split()
    if not parts:
        return None
    if len(parts) == 2 and parts[1] == "kJ/mol" or len(parts) == 1:
        return float(parts[0])
    raise ValueError("enthalpy of reaction in unknown units: " + text)


def _g(x):
    return "%g" % x


class Entry:
    """One entry of the LLNL set, its reaction written as a dissociation:
    target = sum nu_i B_i (terms, LLNL names), and its log K."""

    def __init__(self, row):
        self.kind = row["kind"]
        self.name = row["name"]
        self.equation = row["equation"]
        lhs, rhs = (_side(s) for s in row["equation"].split(" = "))
        self.logk25 = float(row["log_k_25C"])
        self.coeffs = _coeffs(row)
        self.range_c = _range(row["range_C"].strip()) if self.coeffs else None
        if self.range_c is None:
            self.coeffs = None
        self.delta_h = _enthalpy_kj(row.get("delta_H", ""))
        if self.kind == "aqueous":
            # formation of the species from basis species: turn it round
            target = [t for t in rhs if t[1] == self.name]
            if len(target) != 1 or target[0][0] != 1.0:
                raise ValueError("unexpected LLNL equation: " + self.equation)
            self.terms = ([(v, s) for v, s in lhs]
                          + [(-v, s) for v, s in rhs if s != self.name])
            self.sign = -1.0
        else:
            # dissociation of a mineral or gas written with its formula first
            self.formula = lhs[0][1]
            if lhs[0][0] != 1.0:
                raise ValueError("unexpected LLNL equation: " + self.equation)
            self.terms = [(v, s) for v, s in rhs] + [(-v, s) for v, s in lhs[1:]]
            self.sign = 1.0

    def logk(self, t_c):
        """log K of the dissociation at t_c (C) on the saturation curve, or
        None where the data set gives no value."""
        if self.coeffs is None:
            return self.sign * self.logk25 if t_c == 25.0 else None
        lo, hi = self.range_c
        if not lo <= t_c <= hi:
            return None
        # The fit as it stands.  Its five-digit coefficients leave it off the
        # tabulated 25 C value by 0.02 (median; up to 0.5 for the large
        # clinoptilolite formulas); shifting it through that value was tried
        # and agrees worse with slop98 from 100 C up (see README).
        return self.sign * self.fit(t_c)

    def fit(self, t_c):
        return float(wholegrid.Fit5(self.coeffs, *self.range_c).fit(t_c))

    def data_range(self):
        """The temperatures (C) on which the data rest: the fit's range, or
        25 C."""
        return self.range_c if self.coeffs else (25.0, 25.0)

    def data_tag(self):
        """The database's tag of those temperatures: "data 0-300 C", "data 25 C"."""
        lo, hi = self.data_range()
        return "data %s C" % (_g(lo) if lo == hi else "%s-%s" % (_g(lo), _g(hi)))

    def slope(self, t_c):
        """d log K / d(1/T) of the dissociation at t_c: the fit's, or for a
        value at 25 C alone that of the enthalpy the data set gives (0 when
        it gives none: log K held constant)."""
        if self.coeffs is not None:
            return self.sign * wholegrid.Fit5(self.coeffs, *self.range_c).slope(t_c)
        return self.sign * wholegrid.vant_hoff_slope(self.delta_h or 0.0)

    def curve_temperatures(self):
        """The temperatures of the saturation curve (CURVE_T) on which the
        data rest."""
        lo, hi = self.data_range()
        return [t for t in CURVE_T if lo <= t <= hi]


def load(path):
    with open(path, newline="") as f:
        return [Entry(row) for row in csv.DictReader(f)]


def slop_name(llnl_name):
    """slop98 name of an LLNL aqueous species: Ca+2 -> Ca++, SiO2 -> SiO2(aq),
    H2O -> H2O(l)."""
    if llnl_name == "H2O":
        return "H2O(l)"
    m = re.fullmatch(r"(.*?)([+-])(\d)", llnl_name)
    if m:
        return m.group(1) + m.group(2) * int(m.group(3))
    if llnl_name.endswith("+") or llnl_name.endswith("-"):
        return llnl_name
    return llnl_name + "(aq)"


def composition(entry, slop):
    """Elements and charge of the entry's target, from its reaction and the
    slop98 composition of the basis species; None when a basis species has
    no slop98 counterpart."""
    els, z = {}, 0.0
    for v, b in entry.terms:
        s = slop.get(slop_name(b))
        if s is None:
            return None
        for e, n in (s["elements"] if s["name"] != "H2O(l)" else {"H": 2, "O": 1}).items():
            els[e] = els.get(e, 0.0) + v * n
        z += v * s["charge"]
    els = {e: round(n, 6) for e, n in els.items() if abs(n) > 1e-9}
    if any(n < 0 for n in els.values()):
        return None
    return els, int(round(z))


def on_curve(table):
    """Values of a full table at the temperatures of the saturation curve
    (CURVE_T)."""
    return np.array([table[cell] for cell in CURVE_CELLS])


def program_name(entry, alias):
    if alias:
        return alias
    if entry.kind == "aqueous" and not entry.name.endswith(("+", "-")) \
            and not re.search(r"[+-]\d$", entry.name):
        return entry.name + ",aq"
    if entry.kind == "aqueous":
        return slop_name(entry.name)
    return entry.name


class Converter:
    """log K of LLNL entries on the database's components and basis data.

    gibbs(name) gives the Gibbs energy (cal/mol) of a species (slop98 data;
    for the LLNL set's MnO4-2 its own relation to Mn+2) at the temperatures
    of the saturation curve (CURVE_T); logk_ours(slop name, terms) the
    database's own log K of a slop98 entry there."""

    def __init__(self, entries, slop, basis, gibbs, logk_ours):
        self.by_name = {(e.kind, e.name): e for e in entries}
        self.slop = slop
        self.basis = basis
        self.gibbs = gibbs
        self.logk_ours = logk_ours
        t_k = np.array(CURVE_T) + 273.15
        self.rt_ln10 = 1.98720 * t_k * math.log(10.0)
        self._delta = {}

    def raw(self, entry, temperatures=CURVE_T):
        """The data set's log K on the curve (CURVE_T), NaN at the
        temperatures not in `temperatures` or beyond the fit."""
        return np.array([entry.logk(t) if t in temperatures and entry.logk(t) is not None
                         else np.nan for t in CURVE_T])

    def _component_slop(self, num):
        return "H2O(l)" if num == 2 else self.basis.comp[num]["slop"]

    def link(self, entry, terms):
        """log K (slop98 data) of  sum nu_i B_i = sum mu_j C_j."""
        dg = sum(mu * self.gibbs(self._component_slop(n)) for mu, n in terms)
        dg = dg - sum(v * self.gibbs(slop_name(b)) for v, b in entry.terms)
        return -dg / self.rt_ln10

    def reaction(self, entry):
        els, z = composition(entry, self.slop)
        return self.basis.write(els, z)

    def delta(self, basis_species, group):
        """Difference slop98 - LLNL of one basis species, per unit of it,
        on the curve (0 for species whose data agree)."""
        ref = reference_for(basis_species, group)
        if ref is None:
            return np.zeros(len(CURVE_T))
        key = (basis_species, group)
        if key not in self._delta:
            kind, name, slop_ref = ref
            e = self.by_name[(kind, name)]
            terms, _ = self.reaction(e)
            gap = self.logk_ours(slop_ref, terms) - (self.raw(e) + self.link(e, terms))
            nu = sum(v for v, b in e.terms if b == basis_species)
            self._delta[key] = gap / nu
        return self._delta[key]

    def correction(self, entry, terms):
        """What the conversion adds to the data set's log K, on the curve
        (CURVE_T): the link to the components and the basis differences."""
        group = difference_group(entry)
        k = self.link(entry, terms)
        for v, b in entry.terms:
            k = k + v * self.delta(b, group)
        return k

    def convert(self, entry, terms, temperatures=CURVE_T):
        """log K of the entry on the database's components and basis data,
        on the curve (CURVE_T); NaN where the data give none."""
        return self.raw(entry, temperatures) + self.correction(entry, terms)

    def column(self, entry, terms):
        """The entry's converted log K at every grid temperature: within the
        data's temperatures the converted data, beyond them the van 't Hoff
        continuation from the end with the slope of the converted log K
        there (the data's own plus that of the correction)."""
        corr = self.correction(entry, terms)
        k = self.raw(entry) + corr
        temps = entry.curve_temperatures()
        known = {t: float(k[CURVE_T.index(t)]) for t in temps}
        if not all(np.isfinite(v) for v in known.values()):
            raise RuntimeError("LLNL %s: no converted value within its data" % entry.name)
        lo, hi = min(temps), max(temps)
        defined = [(t, c) for t, c in zip(CURVE_T, corr) if np.isfinite(c)]
        inside = [p for p in defined if lo <= p[0] <= hi]
        nodes = inside if len(inside) >= 3 else defined

        def slope(t_end):
            if entry.coeffs is None and not entry.delta_h:
                return 0.0      # one value and no enthalpy: held constant
            return entry.slope(t_end) + wholegrid.slope_at(t_end, *zip(*nodes))

        return wholegrid.column(known, slope(lo), slope(hi))


# Basis species whose data differ between the sets and the reaction, present
# in both, that measures the difference.  Aluminium: the aluminosilicates of
# both sets agree with each other (kaolinite, feldspars, micas, zeolites: 0.58
# to 0.64 per Al at 25 C, near 0 at 300 C), the free aluminate ion differs by
# 0.68 at 25 C; minerals are converted through kaolinite, aqueous aluminium
# species (ion pairs of aluminate) through AlO2-.  Gibbsite, boehmite,
# diaspore and corundum carry other mineral data in the two sets and are no
# reference.
_REFERENCES = {
    ("Al+3", "solid"): ("mineral", "Kaolinite", "Kaolinite"),
    ("Al+3", "aqueous"): ("aqueous", "AlO2-", "AlO2-"),
}


def difference_group(entry):
    """Which difference between the sets an entry takes for its basis
    species.  Minerals: the solids'.  A complex of the free Al+3 ion with
    ligands (AlSO4+, Al(SO4)2-, AlF++ ...) is measured against Al+3 itself
    (its formation constant, from potentiometry or solubility at low pH,
    holds on any datum for the ion) and takes no shift; the ion pairs of
    aluminate (NaAlO2: Al+3 written with H+ released) were measured against
    AlO2- and take the aluminate's difference."""
    if entry.kind != "aqueous":
        return "solid"
    hydrolysed = any(b == "H+" and v < 0 for v, b in entry.terms)
    return "aqueous" if hydrolysed else "complex"


def reference_for(basis_species, group):
    return _REFERENCES.get((basis_species, group))

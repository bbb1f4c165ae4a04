"""Reactions, log K(T) and ion sizes of the LLNL data set.

llnl_logk.csv writes each aqueous species as a formation from basis species
(the species on the right, e.g. "SO4-2 + Ca+2 = CaSO4") and each mineral or
gas as a dissociation (the phase first on the left, e.g.
"CaCO3 + H+ = Ca+2 + HCO3-"). Both are turned here into one form: the entity
(species or phase) is made of `content` basis species, with the log K of
forming it from them. log K(T) follows the data set's own convention: the
five-term fit log K = A1 + A2 T + A3/T + A4 log10 T + A5/T^2 (T in K) where
the entry has one, else van 't Hoff from the 25 C value and delta_H, else the
25 C value held constant.

The basis species themselves carry no row of the csv; their B-dot ion sizes
are those of the EQ3/6 data0 file of the same data set (data0.shv), which
also holds the Debye-Hueckel A, B and B-dot tables on its temperature grid
and the coefficients of Drummond's (1981) CO2 activity coefficient.
"""

import csv
import math
import os
import re

R_J_PER_MOL_K = 8.314462618
T_REF_K = 298.15
KELVIN = 273.15
WATER = "H2O"
PROTON = "H+"
# Species of the data set that need these carry an electron or oxygen
# balance: leaving them out keeps every given total (Fe+2 and Fe+3, SO4-2
# and HS-) apart, as in a run without redox equilibrium.
REDOX_NAMES = ("O2", "e-")
GRID_POINTS = 8


class DataError(Exception):
    """A data file that does not read as expected."""


def charge_of(name):
    """Charge from an LLNL-style name: Ca+2, HCO3-, Al13O4(OH)24+7, SiO2."""
    m = re.search(r"([+-])(\d*)$", name)
    if not m:
        return 0
    size = int(m.group(2)) if m.group(2) else 1
    return size if m.group(1) == "+" else -size


def data0_name(name):
    """The data0 spelling of an LLNL-csv name: Ca+2 -> Ca++, SiO2 -> SiO2(aq)."""
    z = charge_of(name)
    if z == 0:
        return name + "(aq)"
    stem = re.sub(r"[+-]\d*$", "", name)
    return stem + ("+" if z > 0 else "-") * abs(z)


def parse_side(text):
    """[(coefficient, name)] of one side of an equation."""
    terms = []
    for term in text.strip().split(" + "):
        parts = term.split()
        if len(parts) == 1:
            terms.append((1.0, parts[0]))
        elif len(parts) == 2:
            terms.append((float(parts[0]), parts[1]))
        else:
            raise DataError("cannot read the term %r" % term)
    return terms


class Entity:
    """An aqueous species or a phase, made of basis species."""

    def __init__(self, row):
        self.kind = row["kind"]
        self.name = row["name"]
        self.equation = row["equation"]
        self.logk25 = float(row["log_k_25C"])
        self.fit = self._fit(row)
        self.fit_range = self._range(row["range_C"]) if self.fit else None
        self.delta_h = self._enthalpy(row["delta_H"])
        gamma = row.get("llnl_gamma", "")
        self.size = float(gamma) if gamma else None
        self.charge = charge_of(self.name) if self.kind == "aqueous" else 0
        self.sign, self.content = self._content()

    @staticmethod
    def _fit(row):
        values = [row["A%d" % i] for i in range(1, 6)]
        if not row["range_C"] or any(v == "" for v in values):
            return None
        return [float(v) for v in values]

    @staticmethod
    def _range(text):
        low, high = text.split("-")
        return float(low), float(high)

    @staticmethod
    def _enthalpy(text):
        """delta_H in J/mol; 0 when the entry gives none."""
        text = text.strip()
        if text in ("", "0"):
            return 0.0
        value, unit = text.split()
        if unit != "kJ/mol":
            raise DataError("delta_H in unknown unit %r" % unit)
        return float(value) * 1000.0

    def _content(self):
        """(sign, {basis: coefficient}): sign +1 when the entity is formed by
        the equation as written, -1 when it is dissolved."""
        if "=" not in self.equation:
            raise DataError("%s: equation without '='" % self.name)
        left, right = self.equation.split("=")
        nu = {}
        for c, n in parse_side(left):
            nu[n] = nu.get(n, 0.0) - c
        for c, n in parse_side(right):
            nu[n] = nu.get(n, 0.0) + c
        own = self.name if self.kind == "aqueous" else parse_side(left)[0][1]
        if own not in nu or nu[own] == 0.0:
            raise DataError("%s: not found in its equation" % self.name)
        own_nu = nu.pop(own)
        sign = 1.0 if own_nu > 0 else -1.0
        return sign, {n: -v / own_nu for n, v in nu.items() if v != 0.0}

    def logk_as_written(self, t_c):
        t_k = t_c + KELVIN
        if self.fit:
            a1, a2, a3, a4, a5 = self.fit
            return a1 + a2 * t_k + a3 / t_k + a4 * math.log10(t_k) + a5 / t_k ** 2
        if self.delta_h:
            return self.logk25 - self.delta_h / (R_J_PER_MOL_K * math.log(10.0)) * (
                1.0 / t_k - 1.0 / T_REF_K)
        return self.logk25

    def logk_formation(self, t_c):
        """log K of making the entity (one unit) from its basis species."""
        return self.sign * self.logk_as_written(t_c)

    def outside_fit(self, t_c):
        return bool(self.fit_range) and not (self.fit_range[0] <= t_c <= self.fit_range[1])

    def is_redox(self):
        return any(n in self.content for n in REDOX_NAMES)


class Data0Tables:
    """Activity-model rows of a data0 file on its temperature grid."""

    HEADINGS = {
        "temperatures": "Temperature grid",
        "a": "Debye-Huckel A_gamma",
        "b": "Debye-Huckel B_gamma",
        "bdot": "B-dot",
    }

    def __init__(self, path):
        with open(path, encoding="latin-1") as f:
            lines = f.read().splitlines()
        for key, heading in self.HEADINGS.items():
            setattr(self, key, self._row(lines, heading, GRID_POINTS))
        self.co2 = self._row(lines, "cco2", 5)
        self.sizes, self.drummond = self._sizes(lines)

    @staticmethod
    def _row(lines, heading, count):
        for i, line in enumerate(lines):
            words = heading.split()
            if line.split()[:len(words)] == words:
                values = []
                for follow in lines[i + 1:]:
                    values += [float(v) for v in follow.split()]
                    if len(values) >= count:
                        return values[:count]
        raise DataError("data0 file: no row %r" % heading)

    @staticmethod
    def _sizes(lines):
        """{data0 name: ion size} and the names under the CO2 polynomial."""
        start = [i for i, l in enumerate(lines) if l.startswith("bdot parameters")]
        if not start:
            raise DataError("data0 file: no bdot parameters")
        sizes, drummond = {}, set()
        for line in lines[start[0] + 3:]:
            if line.startswith("+"):
                break
            name, size, kind = line.split()
            sizes[name] = float(size)
            if kind == "-1":
                drummond.add(name)
        return sizes, drummond


class Database:
    """The aqueous species, minerals and gases of the csv, and the ion size of
    every basis species taken from data0."""

    def __init__(self, thermo_dir):
        self.tables = Data0Tables(os.path.join(thermo_dir, "data0.shv"))
        with open(os.path.join(thermo_dir, "llnl_logk.csv"), newline="", encoding="utf-8") as f:
            rows = list(csv.DictReader(f))
        self.aqueous = [Entity(r) for r in rows if r["kind"] == "aqueous"]
        self.phases = [Entity(r) for r in rows if r["kind"] != "aqueous"]
        defined = {e.name for e in self.aqueous}
        used = {n for e in self.aqueous + self.phases for n in e.content}
        self.basis = sorted(used - defined - set(REDOX_NAMES) - {WATER})

    def basis_size(self, name):
        """B-dot ion size of a basis species (data0's value)."""
        if charge_of(name) == 0:
            return 0.0
        size = self.tables.sizes.get(data0_name(name))
        if size is None:
            raise DataError("no ion size for the basis species %s in data0" % name)
        return size

    def takes_co2_gamma(self, name):
        return data0_name(name) in self.tables.drummond

"""The Pitzer database of wqspec: the species, log K and minerals of the
Pitzer data set pitzer.dat (pitzerdat.py) in the program's database layout
(examples/pitzer/LOGKDATA.KDB), and its interaction parameters in a
companion text file (examples/pitzer/PITZER.DAT).

Components.  Every component the data set shares with the bundled database
carries the bundled database number and the bundled component line (name,
charge, size, formula weight, alkalinity factor), so a run input names the
same components in both: 1 H+, 2 H2O, 3 Cl-, 4 SO4--, 5 HCO3- (the data
set's master species is CO3-2; HCO3- is its species CO3-2 + H+), 6 HS- (the
data set's HSg-, sulfide uncoupled from sulfate), 8 Br-, 9 Ca++, 10 Mg++,
11 SiO2,aq (the data set's H4SiO4 = SiO2,aq + 2 H2O, the same solute with
log K 0 by convention), 12 K+, 13 Na+, 15 Fe++, 17 Mn++, 18 Sr++, 19 Ba++,
20 Li+, 23 B(OH)3,aq, and the dissolved gases the data set keeps apart from
redox: 31 O2,aq (Oxg), 45 CH4,aq (Mtg), 46 H2,aq (Hdg), 47 N2,aq (Ntg).  The
numbers in between that the data set has no component for hold a line named
"unused <n>" with charge 0 and no formula weight.

log K.  Each species and phase of the data set carries the data of its
reaction as written there: an analytic expression (log K = A1 + A2 T + A3/T
+ A4 log10 T + A5/T^2 + A6 T^2, T in K), or log K at 25 C with an enthalpy
of reaction (van 't Hoff), or log K at 25 C alone.  Let mu(X) be the log K
of forming X from the data set's master species (0 for a master species);
a reaction sum_lhs nu X = sum_rhs nu X has log K = sum_rhs nu mu - sum_lhs nu
mu, which gives mu of the species or phase it defines.  The database entry
of X is its dissociation into the components, X = sum_j nu_j C_j, with
log K = sum_j nu_j mu(C_j) - mu(X).  These sums are kept as sums of the
data's own expressions (terms that cancel drop out), so every value is
computed from the data at the temperature where it is written.

Tables.  The data are fitted along the saturation curve of water or at
1 atm, mostly between 0 and 200 C (Appelo 2015), so every entry is a short
table (25, 50, 100, 150, 200, 250, 300, 350 C) with range code Psat
(SATURATION_CODE): an extended run uses it at its temperature.  The short
table has no pressure axis (the data set's pressure term, the reaction
volume from its molar volumes, is not represented): the Pitzer model, the
one this database is for, refuses an extended run above the saturation
pressure (1.013 bar below 100 C), and takes one at or below it, a cold
water at 0-20 C computed at 1.013 bar.  Every value of every table is
written, so every entry serves every temperature the database serves:

  * an analytic expression within its range (0-200 C unless the data set's
    comment states another, FIT_RANGE_C), beyond it extrapolated as it
    stands, or by the van 't Hoff continuation from the end of its range
    where the heat capacity it implies would change sign (Source);
  * log K with an enthalpy of reaction by van 't Hoff at every temperature;
  * log K alone (the many 25 C entries of Harvie, Moller & Weare 1984) held
    constant, as the data set's own program and llnl.dat hold them.

The comment of every entry says at which temperatures its data were
measured or fitted ("data 25 C", "data 0-200 C"): the intersection of the
ranges of its terms, an enthalpy or a log K alone counting as 25 C.  An
enthalpy of 0 in the data set marks an entry without one (borate species:
"delta_h 0 kcal"; Bloedite: "Not possible to calculate enthalpy").
"""

import math

from . import pitzerdat, writer
from .llnl import SHORT_T

RT_LN10_KJ = 8.314462618e-3 * math.log(10.0)   # R ln 10 in kJ/(mol K)
# The range code of every entry: not "L-V ", which would leave the entries
# out of the extended runs of cold waters; the pressure is the model's to
# refuse (see "Tables" above).
SATURATION_CODE = "Psat"
T_REF = 298.15

# ---------------------------------------------------------------------------
# Components: database number -> the data set's species that stands for it.
COMPONENT_SPECIES = {
    1: "H+", 2: "H2O", 3: "Cl-", 4: "SO4-2", 5: "HCO3-", 6: "HSg-", 8: "Br-",
    9: "Ca+2", 10: "Mg+2", 11: "H4SiO4", 12: "K+", 13: "Na+", 15: "Fe+2",
    17: "Mn+2", 18: "Sr+2", 19: "Ba+2", 20: "Li+", 23: "B(OH)3", 31: "Oxg",
    45: "Mtg", 46: "Hdg", 47: "Ntg",
}
LAST_COMPONENT = max(COMPONENT_SPECIES)

# The data set's master species written on the components (number ->
# coefficient); the masters that are components themselves map to their
# number.  CO3-2 = HCO3- - H+, H2Sg = HS- + H+, H4SiO4 = SiO2,aq + 2 H2O.
MASTER_ON_COMPONENTS = {
    "H+": {1: 1.0}, "H2O": {2: 1.0}, "Cl-": {3: 1.0}, "SO4-2": {4: 1.0},
    "CO3-2": {5: 1.0, 1: -1.0}, "H2Sg": {6: 1.0, 1: 1.0}, "Br-": {8: 1.0},
    "Ca+2": {9: 1.0}, "Mg+2": {10: 1.0}, "H4SiO4": {11: 1.0, 2: 2.0},
    "K+": {12: 1.0}, "Na+": {13: 1.0}, "Fe+2": {15: 1.0}, "Mn+2": {17: 1.0},
    "Sr+2": {18: 1.0}, "Ba+2": {19: 1.0}, "Li+": {20: 1.0},
    "B(OH)3": {23: 1.0}, "Oxg": {31: 1.0}, "Mtg": {45: 1.0}, "Hdg": {46: 1.0},
    "Ntg": {47: 1.0},
}

# Names the program gives the data set's species where the plain rule
# (charge written as ++/--, ",aq" for neutral species) does not fit.
NAMES = {
    "H4SiO4": "SiO2,aq", "HSg-": "HS-", "H2Sg": "H2S,aq", "(H2Sg)2": "(H2S)2,aq",
    "Hdg": "H2,aq", "Oxg": "O2,aq", "Mtg": "CH4,aq", "Ntg": "N2,aq",
    "Oxg(g)": "O2(g)", "Hdg(g)": "H2(g)", "Ntg(g)": "N2(g)", "Mtg(g)": "CH4(g)",
    "H2Sg(g)": "H2S(g)",
}

# Neutral species that take the activity coefficient of CO2 in the program's
# B-dot model (size above 9.98), as in the bundled database.
CO2_LIKE = {"CO2,aq", "H2S,aq", "O2,aq", "H2,aq", "N2,aq", "CH4,aq"}
CO2_LIKE_SIZE = 10.0
# Ion sizes by charge (HKF81 averages, as the bundled database's additions).
RADIUS_BY_CHARGE = {1: 2.31, 2: 2.80, 3: 3.60, -1: 1.81, -2: 3.00, -3: 4.20}

# Temperature range (C) of the analytic expressions: 0-200 C, the range of
# Appelo (2015) and the one this builder has always taken for an expression
# whose comment states none, except where the data set's comment says
# otherwise.
DEFAULT_FIT_RANGE_C = (0.0, 200.0)
FIT_RANGE_C = {
    "Dolomite": (50.0, 175.0),   # "50-175 C, Benezeth et al., 2018"
    "Mtg(g)": (25.0, 100.0),     # "CH4 solubilities 25 - 100 C"
    "H2Sg(g)": (0.0, 300.0),     # "H2S solubilities, 0 - 300 C"
}

# The range the Pitzer database is stated for in its parameter file.
TEMPERATURE_RANGE_C = (0.0, 200.0)
MAX_IONIC_STRENGTH = 20.0

PITZER_KINDS = ("B0", "B1", "B2", "C0", "THETA", "LAMBDA", "ZETA", "PSI", "ALPHAS")


def program_name(name):
    if name in NAMES:
        return NAMES[name]
    z = pitzerdat.charge_of(name)
    if z == 0:
        return name if name.endswith("(g)") else name + ",aq"
    base = name.rstrip("0123456789").rstrip("+-")
    sign = "+" if z > 0 else "-"
    return base + sign * abs(z)


# ---------------------------------------------------------------------------
# log K expressions

def fit_value(a, t_k):
    return a[0] + a[1] * t_k + a[2] / t_k + a[3] * math.log10(t_k) + a[4] / (t_k * t_k) + a[5] * t_k * t_k


def fit_slope(a, t_k):
    """d log K / d(1/T) of an analytic expression, -T^2 d log K/dT: the
    enthalpy of reaction over -R ln 10."""
    d = a[1] - a[2] / t_k ** 2 + a[3] / (t_k * math.log(10.0)) - 2.0 * a[4] / t_k ** 3 + 2.0 * a[5] * t_k
    return -t_k * t_k * d


def fit_heat_capacity(a, t_k):
    """The heat capacity of reaction of an analytic expression over R ln 10,
    d/dT (T^2 d log K/dT)."""
    return 2.0 * a[1] * t_k + a[3] / math.log(10.0) + 2.0 * a[4] / t_k ** 2 + 6.0 * a[5] * t_k * t_k


# The temperatures (C) the heat capacity of an expression is looked at
# between the end of its range and the farthest temperature of the table.
SIGN_CHECK_STEPS = 200


def safe_to_extrapolate(a, end_c, far_c):
    """An expression is extrapolated as it stands while the heat capacity
    of reaction it implies keeps the sign it has at the end of its range:
    that of a reaction in water does along the saturation curve below 350 C
    (negative for the ionization and dissolution of salts, positive for the
    dissolution of a gas), and extrapolated so the expressions follow the
    SUPCRT92 log K of the bundled database from 200 to 300 C better than a
    constant enthalpy does (docs/database.md).  A sign change beyond the
    data is the fit's, not the reaction's."""
    sign = fit_heat_capacity(a, end_c + 273.15)
    for k in range(1, SIGN_CHECK_STEPS + 1):
        t_c = end_c + (far_c - end_c) * k / SIGN_CHECK_STEPS
        if fit_heat_capacity(a, t_c + 273.15) * sign < 0.0:
            return False
    return True


class Source:
    """The log K data of one reaction of the data set, evaluated at every
    temperature of the table, and the range of temperatures (C) the data
    were measured or fitted at.

    * An analytic expression holds within its range (FIT_RANGE_C, else
      DEFAULT_FIT_RANGE_C) and is extrapolated beyond it as it stands where
      that is safe (safe_to_extrapolate), else by the van 't Hoff
      continuation from the end of the range: log K linear in 1/T with the
      slope at the end.
    * log K at 25 C with an enthalpy of reaction: van 't Hoff, data 25 C.
    * log K at 25 C alone: held constant, data 25 C (the convention of the
      data set's own program and of llnl.dat for an entry without an
      enthalpy)."""

    def __init__(self, key, reaction):
        self.key = key
        self.analytic = reaction.analytic
        self.log_k = reaction.log_k
        self.delta_h = reaction.delta_h if reaction.delta_h else None
        self.continued = {}   # end of the range (C) -> (log K, slope), where continued
        if self.analytic is not None:
            self.kind = "analytic"
            self.range_c = FIT_RANGE_C.get(key, DEFAULT_FIT_RANGE_C)
            lo, hi = self.range_c
            for end, far in ((lo, SHORT_T[0]), (hi, SHORT_T[-1])):
                if (far - end) * (1 if end == hi else -1) > 0 \
                        and not safe_to_extrapolate(self.analytic, end, far):
                    t_k = end + 273.15
                    self.continued[end] = (fit_value(self.analytic, t_k),
                                           fit_slope(self.analytic, t_k))
        elif self.log_k is not None and self.delta_h is not None:
            self.kind = "van 't Hoff"
            self.range_c = (25.0, 25.0)
        elif self.log_k is not None:
            self.kind = "constant"
            self.range_c = (25.0, 25.0)
        else:
            raise ValueError("%s: no log K" % key)

    def at(self, t_c):
        t = t_c + 273.15
        if self.analytic is not None:
            lo, hi = self.range_c
            end = lo if t_c < lo else hi if t_c > hi else None
            if end in self.continued:
                value, slope = self.continued[end]
                return value + slope * (1.0 / t - 1.0 / (end + 273.15))
            return fit_value(self.analytic, t)
        if self.delta_h is not None:
            return self.log_k - self.delta_h / RT_LN10_KJ * (1.0 / t - 1.0 / T_REF)
        return self.log_k


class LogK:
    """A sum of the data's expressions: {source key: (coefficient, Source)}."""

    def __init__(self, terms=None):
        self.terms = dict(terms or {})

    @staticmethod
    def of(source):
        return LogK({source.key: (1.0, source)})

    def plus(self, other, factor=1.0):
        out = dict(self.terms)
        for key, (c, s) in other.terms.items():
            c0 = out.get(key, (0.0, s))[0] + factor * c
            if abs(c0) < 1e-12:
                out.pop(key, None)
            else:
                out[key] = (c0, s)
        return LogK(out)

    def at(self, t_c):
        return sum(c * s.at(t_c) for c, s in self.terms.values())

    def data_range(self):
        """The temperatures (C) at which every term rests on data: the
        intersection of their ranges (Dolomite, 50-175 C, with the HCO3-
        expression, 0-200 C: 50-175 C)."""
        ranges = [s.range_c for _, s in self.terms.values()]
        if not ranges:
            return DEFAULT_FIT_RANGE_C
        lo, hi = max(r[0] for r in ranges), min(r[1] for r in ranges)
        if lo > hi:
            raise ValueError("log K of %s: its terms share no temperature of data"
                             % ", ".join(sorted(self.terms)))
        return lo, hi

    def kinds(self):
        return sorted({s.kind for _, s in self.terms.values()})

    def short_table(self):
        return [self.at(t) for t in SHORT_T]


def data_tag(lo, hi):
    """The measured-temperature tag of an entry's comment: "data 25 C",
    "data 0-200 C"."""
    def text(v):
        return "%g" % v
    return "data %s C" % (text(lo) if lo == hi else text(lo) + "-" + text(hi))


# ---------------------------------------------------------------------------
# Building

class PitzerDatabase:
    def __init__(self):
        self.components = {}   # number -> data set species
        self.aqueous = []      # dicts: name, source, charge, size, alk, terms, logk, table
        self.solids = []       # dicts: name, source, kind, formula, volume, terms, logk, table
        self.parameters = []   # dicts: kind, species (program names), coefficients, comment
        self.data = None


def _add(vec, other, factor):
    for k, v in other.items():
        vec[k] = vec.get(k, 0.0) + factor * v
        if abs(vec[k]) < 1e-12:
            del vec[k]


def build(pitzer_path):
    data = pitzerdat.load(pitzer_path)
    db = PitzerDatabase()
    db.data = data
    masters = set(MASTER_ON_COMPONENTS)
    species_masters = set(data.masters.values()) - {"e-", "H2O"} | {"H2O"}
    missing = species_masters - masters - {"e-"}
    if missing:
        raise ValueError("master species without a component: %s" % sorted(missing))

    mu = {m: LogK() for m in masters}               # log K of formation from the masters
    composition = {m: {m: 1.0} for m in masters}    # in master species

    def combine(side, factor, comp, logk):
        for c, s in side:
            if s not in mu:
                raise ValueError("%s: species %s is not defined before" % (key_of[0], s))
            _add(comp, composition[s], factor * c)
            logk = logk.plus(mu[s], factor * c)
        return logk

    key_of = [None]
    for r in data.species:
        # sum lhs = X + sum(other rhs), log K = mu(X) + sum other rhs - sum lhs
        key_of[0] = r.name
        if r.rhs[0][0] != 1.0:
            raise ValueError("%s: the species must be formed once" % r.name)
        comp = {}
        logk = combine(r.lhs, 1.0, comp, LogK.of(Source(r.name, r)))
        logk = combine(r.rhs[1:], -1.0, comp, logk)
        composition[r.name], mu[r.name] = comp, logk
    for r in data.phases:
        # X + sum(other lhs) = sum rhs, log K = sum rhs - mu(X) - sum other lhs
        key_of[0] = r.name
        if r.lhs[0][0] != 1.0:
            raise ValueError("%s: the phase must be written once on the left" % r.name)
        comp = {}
        logk = combine(r.rhs, 1.0, comp, LogK().plus(LogK.of(Source(r.name, r)), -1.0))
        logk = combine(r.lhs[1:], -1.0, comp, logk)
        composition[r.name], mu[r.name] = comp, logk

    def on_components(comp):
        out = {}
        for m, c in comp.items():
            _add(out, MASTER_ON_COMPONENTS[m], c)
        return out

    comp_mu = {}
    for num, sp in COMPONENT_SPECIES.items():
        comp_mu[num] = mu[sp]
        db.components[num] = sp

    def dissociation(name):
        terms = on_components(composition[name])
        lk = LogK().plus(mu[name], -1.0)
        for num, c in terms.items():
            lk = lk.plus(comp_mu[num], c)
        return sorted((c, n) for n, c in terms.items()), lk

    component_species = set(COMPONENT_SPECIES.values())
    for name in [r.name for r in data.species] + sorted(masters - component_species):
        if name in component_species:
            continue
        terms, lk = dissociation(name)
        terms = sorted(terms, key=lambda t: t[1])
        z = pitzerdat.charge_of(name)
        pname = program_name(name)
        if z == 0:
            size = CO2_LIKE_SIZE if pname in CO2_LIKE else 0.0
        else:
            size = RADIUS_BY_CHARGE[z]
        db.aqueous.append({"name": pname, "source": name, "charge": z, "size": size,
                           "terms": terms, "logk": lk, "table": lk.short_table()})
    for r in data.phases:
        terms, lk = dissociation(r.name)
        terms = sorted(terms, key=lambda t: t[1])
        kind = "gas" if r.name.endswith("(g)") else "mineral"
        db.solids.append({"name": program_name(r.name) if kind == "gas" else r.name,
                          "source": r.name, "kind": kind, "formula": r.lhs[0][1],
                          "volume": r.vm[0] if (r.vm and kind == "mineral") else 0.0,
                          "terms": terms, "logk": lk, "table": lk.short_table()})

    known = {program_name(s) for s in component_species} | {e["name"] for e in db.aqueous}
    for p in data.parameters:
        names = [program_name(s) for s in p.species]
        for n in names:
            if n not in known:
                raise ValueError("Pitzer parameter on line %d names %s, not a species "
                                 "of the database" % (p.line, n))
        db.parameters.append({"kind": p.kind, "species": names,
                              "coefficients": list(p.coefficients), "comment": p.comment,
                              "line": p.line})
    return db


# ---------------------------------------------------------------------------
# Writing

TABLE_LINES = 4 * (2 + 37)   # four activity-model tables, each two labels and 37 rows


def bundled_parts(path):
    """The activity-model tables (their lines as written) and the component
    lines, by database number, of the bundled database."""
    with open(path, encoding="latin-1") as f:
        lines = f.read().split("\n")
    star = next(i for i, ln in enumerate(lines) if ln.startswith("********"))
    tables = lines[star + 1:star + 1 + TABLE_LINES]
    first = next(i for i in range(star + 1 + TABLE_LINES, len(lines))
                 if lines[i].startswith("H+      "))
    components = {}
    for k, ln in enumerate(lines[first:], start=1):
        if not ln[:8].strip():
            break
        components[k] = ln
    return tables, components


def alkalinity_factor(terms, component_lines):
    """Sum of coefficient x alkalinity factor of the components (the
    bundled database's rule, Dickson's proton condition)."""
    return sum(v * float(component_lines[n][47:55]) for v, n in terms)


def unused_component_line(num):
    return writer.component_line({"num": num, "name": "unused %d" % num, "charge": 0,
                                  "size": 0.0, "mass": 0.0, "alk": 0.0})


PREAMBLE = """\
LOGKDATA.KDB - Pitzer database of wqspec
Generated by tools/kdb/build_pitzer.py; do not edit by hand, rebuild instead.

For the Pitzer activity model only, with its interaction parameters in
PITZER.DAT beside this file; never mix its entries with those of the
bundled B-dot database (examples/LOGKDATA.KDB): a Pitzer data set is
self-consistent only as a whole.

Source: the Pitzer data set pitzer.dat as distributed with the public-domain
USGS speciation database of that name: Harvie, Moller & Weare (1984,
Geochim. Cosmochim. Acta 48, 723-751) and later fits (Plummer et al. 1988,
USGS WRI 88-4153; Appelo et al. 2014, Geochim. Cosmochim. Acta 125, 49-67;
Appelo 2015, Appl. Geochem. 55, 62-71).

Components carry the numbers of the bundled database; numbers the data set
has no component for are named "unused <n>".  Each entry's log K is that of
its dissociation into the components, computed from the data set's own
expressions, one line at 25, 50, 100, 150, 200, 250, 300 and 350 C along
the saturation curve (range code Psat: the data set's pressure term is not
represented, and the Pitzer model takes an extended run only up to the
saturation pressure, 1.013 bar below 100 C), a value at every temperature:
analytic expressions (extrapolated beyond their range, or continued from
its end at constant enthalpy where the fit's heat capacity would change
sign), log K with an enthalpy of reaction by van 't Hoff, log K alone held
constant.  The comment of each entry ends with the temperatures its data
were measured or fitted at ("data 25 C", "data 0-200 C").

The four activity-model tables are those of the bundled database (A and B
from IAPWS-95 water and the Johnson & Norton 1991 dielectric constant;
b_eta and b_Na+Cl- of Helgeson, Kirkham & Flowers 1981).  The Pitzer model
takes its Debye-Hueckel A-phi = A ln 10 / 3 from the first; the b-dot
tables serve the B-dot model only, which this database is not made for.
See docs/database.md, "The Pitzer database".
"""

# The minerals section starts with 11 free lines (the program counts them).
MINERAL_HEADING = [
    "Minerals and gases",
    "Each entry: a free line; the header (name, formula, entry type 0, molar",
    "volume cm3/mol from the data set or 0, suppression code GAS for gases,",
    "range code Psat); a free line with the source, the kind of log K data",
    "and the temperatures of the data; the dissociation reaction on the",
    "components (number of terms, then coefficient and database number); one",
    "line of log K at 25, 50, 100, 150, 200, 250, 300 and 350 C along the",
    "saturation curve.  Gases: log K of gas = components, so log Q - log K",
    "is the log of the fugacity in bar (atm in the data set).",
    "The list ends with an entry whose name is blank.",
    "-" * 72,
]


# The comment of an aqueous species ends at column 80 (columns 22-80).
AQUEOUS_COMMENT_WIDTH = 59


def data_note(e, width=80):
    """The source, the kind of its log K data and the temperatures of the
    data: "pitzer.dat MgOH+; log K: van 't Hoff; data 25 C", within `width`
    characters (the tag must not be cut off)."""
    note = "pitzer.dat %s; log K: %s; %s" % (e["source"], ", ".join(e["logk"].kinds()),
                                             data_tag(*e["logk"].data_range()))
    if len(note) > width:
        raise ValueError("%s: the comment %r is longer than its columns" % (e["name"], note))
    return note


def write_kdb(db, path, bundled_path):
    tables, bundled = bundled_parts(bundled_path)
    lines = PREAMBLE.splitlines()
    lines.append("*" * 72)
    lines += tables
    lines.append("")
    lines.append("Component species: name, charge, size (A; 2 implied decimals),")
    lines.append("gram formula weight, alkalinity factor; the lines of the bundled database.")
    comp_lines = {}
    for num in range(1, LAST_COMPONENT + 1):
        comp_lines[num] = bundled[num] if num in db.components else unused_component_line(num)
        lines.append(comp_lines[num])
    lines.append("")
    for e in db.aqueous:
        e["alk"] = alkalinity_factor(e["terms"], comp_lines)
        e["short"] = True
        e["range"] = SATURATION_CODE
        lines.append("-" * 20 + " aqueous species")
        lines.append(writer.species_name_line(e, data_note(e, AQUEOUS_COMMENT_WIDTH)))
        lines.append(writer.property_line(e))
        lines.append(writer.reaction_line(e["terms"]))
        lines.append(writer.short_table_line(e["table"]))
    lines.append("-" * 20 + " end of aqueous species")
    lines.append(" " * 20 + " end of aqueous species")
    lines += MINERAL_HEADING
    for e in db.solids:
        e["short"] = True
        e["range"] = SATURATION_CODE
        lines.append("-" * 20 + (" gas" if e["kind"] == "gas" else " mineral"))
        lines.append(writer.mineral_header(e))
        lines.append(data_note(e))
        lines.append(writer.mineral_reaction_line(e["terms"]))
        lines.append(writer.short_table_line(e["table"]))
    lines.append("-" * 20 + " end of minerals and gases")
    lines.append("%-20s %-45s%2d%8.3f%4s%-4s%6s%-4s" % ("", "", 0, 0.0, "", "    ", "", "L-V "))
    lines.append("end")
    lines.append("  0")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    return len(lines)


PARAMETER_HEADER = """\
# PITZER.DAT - Pitzer interaction parameters of the wqspec Pitzer database
# (LOGKDATA.KDB beside this file).  Generated by tools/kdb/build_pitzer.py;
# do not edit by hand, rebuild instead.
#
# Source: pitzer.dat, the Pitzer data set of the public-domain USGS
# speciation database of that name: Harvie, Moller & Weare (1984, Geochim.
# Cosmochim. Acta 48, 723-751) and later fits (Plummer et al. 1988, USGS WRI
# 88-4153; Appelo et al. 2014, Geochim. Cosmochim. Acta 125, 49-67; Appelo
# 2015, Appl. Geochem. 55, 62-71).  Species are named as in LOGKDATA.KDB.
#
# One parameter per line: kind, species, coefficients a0..a5 of
#   P(T) = a0 + a1 (1/T - 1/Tr) + a2 ln(T/Tr) + a3 (T - Tr)
#          + a4 (T^2 - Tr^2) + a5 (1/T^2 - 1/Tr^2),  T in K, Tr = 298.15 K
# (coefficients not written are 0; no pressure terms).
#   B0, B1, B2  beta(0), beta(1), beta(2) of a cation and an anion, kg/mol
#   C0          C-phi of a cation and an anion, (kg/mol)^2
#   THETA       two cations or two anions, kg/mol
#   LAMBDA      a neutral species and an ion or a neutral species, kg/mol
#   ZETA        a neutral species, a cation and an anion, (kg/mol)^2
#   PSI         two cations and an anion or two anions and a cation, (kg/mol)^2
#   ALPHAS      alpha1 and alpha2 of a cation and an anion (none in this data set:
#               the model's defaults, 1.4 and 12 for 2-2 electrolytes, else 2 and 12)
# TEMPERATURE gives the range (C) of the temperature functions (Appelo 2015:
# 0-200 C; many parameters are 25 C values of HMW 1984 without a temperature
# term), IONIC_STRENGTH the ionic strength (mol/kg) to which HMW 1984 fitted
# the model.  The comment after a line is the data set's own, with its line.
"""


def number_text(v):
    """Shortest text that reads back as the same double."""
    r = repr(float(v))
    return r[:-2] if r.endswith(".0") else r


def write_parameters(db, path):
    lines = PARAMETER_HEADER.splitlines()
    lines.append("")
    lines.append("TEMPERATURE     %s %s" % tuple(number_text(v) for v in TEMPERATURE_RANGE_C))
    lines.append("IONIC_STRENGTH  %s" % number_text(MAX_IONIC_STRENGTH))
    kind = None
    for p in db.parameters:
        if p["kind"] != kind:
            kind = p["kind"]
            lines.append("")
        words = [p["kind"].ljust(7)] + [n.ljust(12) for n in p["species"]]
        words += [number_text(v) for v in p["coefficients"]]
        comment = "".join(c for c in p["comment"] if ord(c) < 128)
        note = "pitzer.dat line %d" % p["line"] + ("; " + comment if comment else "")
        lines.append((" ".join(words)).rstrip() + "   # " + note)
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    return len(lines)

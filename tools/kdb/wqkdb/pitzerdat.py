"""Reader of the Pitzer data set pitzer.dat (Harvie, Moller & Weare 1984,
Geochim. Cosmochim. Acta 48, 723-751, and later fits: Plummer et al. 1988,
USGS WRI 88-4153; Appelo et al. 2014, Geochim. Cosmochim. Acta 125, 49-67;
Appelo 2015, Appl. Geochem. 55, 62-71), as distributed in the public-domain
USGS speciation database of that name.

The file is keyword-structured text (format of Parkhurst & Appelo 2013,
USGS Techniques and Methods 6-A43):

* SOLUTION_MASTER_SPECIES: one line per element, its master species.
* SOLUTION_SPECIES: a reaction "reactants = products" that forms the
  species written first on the right, then option lines: log_k, delta_h
  (kJ/mol unless "kcal" is written), -analytic (up to six coefficients of
  log K = A1 + A2 T + A3/T + A4 log10 T + A5/T^2 + A6 T^2, T in K), -Vm,
  -dw, -viscosity (transport and volume data, not used here).
* PHASES: a name line, then "formula (+ species) = products", written as the
  dissolution of the phase, with the same options and -Vm (molar volume,
  cm3/mol).
* PITZER: blocks -B0, -B1, -B2, -C0, -THETA, -LAMBDA, -ZETA, -PSI (and in
  other versions -ETA, -MU, -ALPHAS), each line the species of the
  interaction and up to six coefficients of the parameter's temperature
  function (see pitzer.py).

Options on one line may be separated by ";"; "#" starts a comment.  The
file's comments hold bytes that are not UTF-8 (degree signs): it is read as
Latin-1.  Only what the wqspec database needs is kept; the other keyword
blocks (gas binary parameters, exchange and surface species, mean gammas)
are passed over.
"""

import re

KEYWORDS = ("SOLUTION_MASTER_SPECIES", "SOLUTION_SPECIES", "PHASES", "PITZER",
            "GAS_BINARY_PARAMETERS", "EXCHANGE_MASTER_SPECIES", "EXCHANGE_SPECIES",
            "SURFACE_MASTER_SPECIES", "SURFACE_SPECIES", "MEAN_GAMMAS", "END")

# Interaction blocks of the PITZER keyword and the number of species each
# line names.
PITZER_BLOCKS = {"B0": 2, "B1": 2, "B2": 2, "C0": 2, "THETA": 2, "LAMBDA": 2,
                 "ZETA": 3, "PSI": 3, "ETA": 3, "MU": 3, "ALPHAS": 2}

KCAL_TO_KJ = 4.184

_TERM = re.compile(r"^([0-9]*\.?[0-9]+(?:[eE][-+]?[0-9]+)?)\s+(\S+)$")
_NUMBER = re.compile(r"^[-+]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][-+]?[0-9]+)?$")


class PitzerDataError(ValueError):
    """A line of the data set that the reader cannot take."""

    def __init__(self, line_number, text, why):
        super().__init__("pitzer.dat line %d: %s: %r" % (line_number, why, text))


def is_number(text):
    return bool(_NUMBER.match(text))


def charge_of(name):
    """Charge from a species name: "Ca+2" 2, "CO3-2" -2, "HSg-" -1, "CO2" 0."""
    m = re.search(r"([+-])([0-9]*)$", name)
    if not m:
        return 0
    n = int(m.group(2)) if m.group(2) else 1
    return n if m.group(1) == "+" else -n


def parse_side(text):
    """'2 H+ + CO3-2' -> [(2.0, 'H+'), (1.0, 'CO3-2')]; a term written
    '- H2O' (PHASES reactions of the data set do that) counts negative."""
    out = []
    sign = 1.0
    for tok in re.split(r"\s+([+-])\s+", " " + text.strip() + " "):
        tok = tok.strip()
        if tok in ("+", "-"):
            sign = 1.0 if tok == "+" else -1.0
            continue
        if not tok:
            continue
        if tok.startswith("- "):
            sign, tok = -1.0, tok[2:].strip()
        m = _TERM.match(tok)
        if m:
            out.append((sign * float(m.group(1)), m.group(2)))
        else:
            out.append((sign, tok))
        sign = 1.0
    return out


class Reaction:
    """A species or phase of the data set with its reaction and the data of
    its log K: log K at 25 C, the enthalpy of reaction (kJ/mol) and the
    coefficients of the analytic expression, each None when not given."""

    def __init__(self, line_number, lhs, rhs):
        self.line = line_number
        self.lhs = lhs
        self.rhs = rhs
        self.log_k = None
        self.delta_h = None
        self.analytic = None
        self.vm = None
        self.name = None

    def __repr__(self):
        return "Reaction(%s)" % self.name


class PitzerParameter:
    """One line of the PITZER keyword: its block, species and coefficients
    (A0 ... A5 of the temperature function), and its source line."""

    def __init__(self, kind, species, coefficients, line_number, comment):
        self.kind = kind
        self.species = tuple(species)
        self.coefficients = tuple(coefficients)
        self.line = line_number
        self.comment = comment

    def __repr__(self):
        return "%s %s %s" % (self.kind, " ".join(self.species), self.coefficients)


class PitzerData:
    def __init__(self):
        self.masters = {}        # element -> master species
        self.species = []        # Reaction, name = the species formed
        self.phases = []         # Reaction, name = the phase name
        self.parameters = []     # PitzerParameter


def _clean(raw):
    text, _, comment = raw.partition("#")
    return text.rstrip(), comment.strip()


def _options(text):
    """An option line split at ';' into (keyword, values) pairs."""
    for part in text.split(";"):
        part = part.strip()
        if not part:
            continue
        words = part.split()
        yield words[0].lstrip("-").lower(), words[1:]


def _take_option(reaction, key, values, line_number, raw):
    def numbers(vals):
        out = []
        for v in vals:
            if not is_number(v):
                break
            out.append(float(v))
        return out

    if key in ("log_k", "logk"):
        vals = numbers(values)
        if len(vals) != 1:
            raise PitzerDataError(line_number, raw, "log_k without a value")
        reaction.log_k = vals[0]
    elif key in ("delta_h", "deltah"):
        vals = numbers(values)
        if len(vals) != 1:
            raise PitzerDataError(line_number, raw, "delta_h without a value")
        unit = " ".join(values[1:]).lower()
        # kJ/mol unless kcal is written (the format's default unit)
        reaction.delta_h = vals[0] * KCAL_TO_KJ if unit.startswith("kcal") else vals[0]
    elif key in ("analytic", "analytical", "analytical_expression", "a_e"):
        vals = numbers(values)
        if not 1 <= len(vals) <= 6:
            raise PitzerDataError(line_number, raw, "analytic expression needs 1 to 6 values")
        reaction.analytic = tuple(vals + [0.0] * (6 - len(vals)))
    elif key == "vm":
        vals = numbers(values)
        if vals:
            reaction.vm = vals
    # -dw, -viscosity, T_c, P_c, Omega, gamma ...: transport and gas-phase data


def load(path):
    """Reads the data set; raises PitzerDataError on a line it cannot take."""
    with open(path, encoding="latin-1") as f:
        raw_lines = f.read().split("\n")
    data = PitzerData()
    block = None
    pitzer_kind = None
    current = None
    phase_name = None
    for number, raw in enumerate(raw_lines, start=1):
        text, comment = _clean(raw)
        if not text.strip():
            continue
        head = text.split()[0]
        if head in KEYWORDS:
            block, current, phase_name, pitzer_kind = head, None, None, None
            continue
        if block == "SOLUTION_MASTER_SPECIES":
            words = text.split()
            data.masters[words[0]] = words[1]
        elif block == "SOLUTION_SPECIES":
            if "=" in text:
                lhs, rhs = text.split("=")
                current = Reaction(number, parse_side(lhs), parse_side(rhs))
                current.name = current.rhs[0][1]
                identity = current.lhs == current.rhs
                if not identity:
                    data.species.append(current)
            elif current is not None:
                for key, values in _options(text):
                    _take_option(current, key, values, number, raw)
        elif block == "PHASES":
            if "=" in text:
                if phase_name is None:
                    raise PitzerDataError(number, raw, "phase reaction without a name")
                lhs, rhs = text.split("=")
                current = Reaction(number, parse_side(lhs), parse_side(rhs))
                current.name = phase_name
                data.phases.append(current)
            elif text[0] not in " \t" and not text.lstrip().startswith("-") \
                    and len(text.split()) == 1:
                phase_name, current = text.strip(), None
            elif current is not None:
                for key, values in _options(text):
                    _take_option(current, key, values, number, raw)
        elif block == "PITZER":
            stripped = text.strip()
            if stripped.startswith("-"):
                pitzer_kind = stripped[1:].split()[0].upper()
                if pitzer_kind not in PITZER_BLOCKS:
                    raise PitzerDataError(number, raw, "unknown Pitzer block")
                continue
            if pitzer_kind is None:
                raise PitzerDataError(number, raw, "Pitzer line before any block")
            words = stripped.split()
            n = PITZER_BLOCKS[pitzer_kind]
            names, values = words[:n], words[n:]
            if len(names) < n or not values or not all(is_number(v) for v in values) \
                    or len(values) > 6:
                raise PitzerDataError(number, raw, "expected %d species and 1 to 6 numbers" % n)
            data.parameters.append(PitzerParameter(
                pitzer_kind, names, [float(v) for v in values], number, comment))
    return data

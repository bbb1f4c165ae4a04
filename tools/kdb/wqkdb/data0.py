"""Validation against the SUPCRT92 reference tables in EQ3/6 data0 format.

The data0 files list, for each aqueous species, mineral and gas, its
dissociation reaction on their own basis and log K on a temperature grid
(saturation curve, 500 bar or 1 kbar).  The builder's own equations of state
are evaluated for the same reactions at the same temperatures and pressures
and the two are compared.  Besides, the builder takes two reactions that
slop98 lacks from data0.shv (Reactions below): the Henry constant of
methane and the LLNL set's relation of manganate to Mn++.
"""

import re

import numpy as np

from . import water
from .logk import GibbsCache

_NUM = re.compile(r"-?\d+\.\d+")
_REF = re.compile(r"\*\s+(delG0f|delH0f|S0PrTr)\s+=\s+(-?\d+\.\d+)")
_PAIR = re.compile(r"(-?\d+\.\d+)\s+(\S+)")
SECTIONS = ("basis species", "auxiliary basis species", "aqueous species",
            "solids", "liquids", "gases", "solid solutions", "references")
MISSING = 500.0

# Data of slop98 (supcrt98.xml) that differ from the data set behind the
# data0 tables; entries involving them are not compared.
KNOWN_DATA_DIFFERENCES = ("Al+++", "CaCO3(aq)", "NaCl(aq)")


def _grid_block(lines, i, title):
    while not lines[i].startswith(title):
        i += 1
    vals = []
    i += 1
    while len(vals) == 0 or _NUM.match(lines[i].strip() or "x"):
        vals += [float(v) for v in _NUM.findall(lines[i])]
        i += 1
    return vals, i


def parse(path):
    """Returns (temperatures C, pressures bar, entries); each entry is a dict
    with name, alias (formula column, if any), section, reaction
    [(coef, name)] (the entry itself included, negative) and logk list."""
    with open(path, encoding="latin-1") as f:
        lines = f.read().splitlines()
    temps, i = _grid_block(lines, 0, "Temperature grid")
    press, i = _grid_block(lines, i, "Pressure grid")
    temps, press = temps[:len(press)], press[:len(temps)]
    n = len(temps)
    entries = []
    section = None
    while i < len(lines):
        line = lines[i]
        if line.strip() in SECTIONS and lines[i - 1].startswith("+---"):
            section = line.strip()
            i += 1
            continue
        if line.startswith("+---") and i + 1 < len(lines) and section in SECTIONS[:6]:
            head = lines[i + 1]
            if head.strip() in SECTIONS or not head.strip():
                i += 1
                continue
            toks = head.split()
            name = toks[0]
            alias = toks[1] if len(toks) > 1 else None
            j = i + 2
            reaction, logk = None, None
            ref = {}
            while j < len(lines) and not lines[j].startswith("+---"):
                m = _REF.match(lines[j])
                if m:
                    ref[m.group(1)] = float(m.group(2))
                    j += 1
                    continue
                m = re.match(r"\s+(\d+) species in (aqueous dissociation )?reaction", lines[j])
                if m:
                    k = int(m.group(1))
                    pairs = []
                    j += 1
                    while len(pairs) < k:
                        pairs += [(float(c), s) for c, s in _PAIR.findall(lines[j])]
                        j += 1
                    reaction = pairs
                    continue
                blk = [k for k in ("* Log K", "* Enthalpy", "* Volume")
                       if lines[j].startswith(k)]
                if blk:
                    vals = []
                    j += 1
                    while len(vals) < n:
                        vals += [float(v) for v in _NUM.findall(lines[j])]
                        j += 1
                    if blk[0] == "* Log K":
                        logk = vals
                    else:
                        ref[blk[0][2:]] = vals
                    continue
                j += 1
            entries.append({"name": name, "alias": alias, "section": section,
                            "reaction": reaction, "logk": logk, "ref": ref})
            i = j
            continue
        i += 1
    return temps, press, entries


class Reactions:
    """The reactions of a data0 file by name: their log K at the file's
    temperatures (C; 0.01 for 0) and the reaction as data0 writes it."""

    def __init__(self, path):
        temps, _, entries = parse(path)
        self.temps = [max(t, 0.01) for t in temps]
        self.by_name = {e["name"]: e for e in entries if e["reaction"] and e["logk"]}

    def table(self, name):
        """(temperatures, log K, reaction) of an entry whose every value is
        given; reaction as (coefficient, name), the entry itself -1."""
        e = self.by_name[name]
        if MISSING in e["logk"]:
            raise RuntimeError("data0 %s: log K missing at some temperature" % name)
        return self.temps, e["logk"], e["reaction"]


def states_for(temps, press, saturation):
    """Water states at the data0 grid points (liquid branch on the
    saturation curve)."""
    out = []
    for t, p in zip(temps, press):
        t_k = max(t, 0.01) + 273.15
        if saturation:
            out.append(water.state_liquid_tp(t_k, p))
        else:
            out.append(water.state_tp(t_k, p))
    return out


def same_data(ref, sp):
    """True when the reference-state data that data0 reports for a species
    (kcal/mol and cal/(mol K), rounded to 0.001) are those of slop98."""
    if not ref or "delG0f" not in ref:
        return False
    ok = abs(ref["delG0f"] * 1000.0 - sp["Gf"]) <= 1.5
    if "delH0f" in ref:
        ok = ok and abs(ref["delH0f"] * 1000.0 - sp["Hf"]) <= 1.5
    if "S0PrTr" in ref:
        ok = ok and abs(ref["S0PrTr"] - sp["Sr"]) <= 0.0015
    return ok


def _cache(species_by_name, sts):
    return GibbsCache(species_by_name,
                      [s.t for s in sts], [s.p for s in sts], [s.rho for s in sts],
                      [s.eps for s in sts], [s.g_h2o for s in sts])


# Tolerances of the same-data test: quantities that depend on the
# standard-state data alone (log K at 25 C, reaction volume at 25 C,
# reaction enthalpy at 100 C).
TOL_LOGK25 = 0.01
TOL_V25 = 0.3       # cm3/mol
TOL_H = 0.1         # kcal/mol, at 100 and 300 C
TOL_H_HIGH = 0.15   # kcal/mol, at 500 C (1 kbar table)


def compare(path, species_by_name, saturation=False):
    """Compare log K of every data0 entry computed from the same data.

    An entry is compared when each species of its reaction has the same data
    in both sources: it is in slop98 with the reference-state G, H and S
    that data0 reports, and the quantities fixed by the standard-state data
    alone agree with slop98 - the volume at 25 C and the enthalpy at 100, 300 and (1 kbar) 500 C
    of the species (strict basis species of data0, which carry their own
    tables) or of its dissociation reaction (all other entries), and data0's
    log K at 25 C with the one implied by its reported data.  Otherwise the
    data0 table was computed from other parameters (the GEMBOCHS data behind
    data0 predate several slop98 revisions).

    Returns (rows, skipped): rows are (entry name, section, T C, P bar,
    log K data0, log K builder, difference); skipped are (name, reason).
    """
    temps, press, entries = parse(path)
    sts = states_for(temps, press, saturation)
    gc = _cache(species_by_name, sts)
    i25 = temps.index(25.0)
    i100 = temps.index(100.0)
    dp = 10.0
    dt = 0.5

    def shifted(i, ddt, ddp):
        t_k = temps[i] + ddt + 273.15
        return (water.state_liquid_tp(t_k, press[i] + ddp) if saturation
                else water.state_tp(t_k, press[i] + ddp))

    gc_1 = _cache(species_by_name, [water.state_tp(298.15, 1.0)])
    gc_v = _cache(species_by_name, [shifted(i25, 0.0, dp)])
    i300 = temps.index(300.0)
    hidx = (i100, i300) + ((temps.index(500.0),) if 500.0 in temps else ())
    gc_h = _cache(species_by_name, [shifted(i, d, 0.0) for i in hidx for d in (dt, -dt)])
    rt25 = 1.98720 * (25.0 + 273.15) * np.log(10.0)
    gas_alias = {e["name"]: e["alias"] for e in entries
                 if e["section"] == "gases" and e["alias"]}
    by_name = {e["name"]: e for e in entries}

    def slop(name):
        if name == "H2O":
            return "H2O(l)"
        if name not in species_by_name and name in gas_alias:
            return gas_alias[name]
        return name

    def v25(names):
        return sum(c * (gc_v(nm)[0] - gc(nm)[i25]) for c, nm in names) / dp / 0.023901

    def h_check(names, table, const=0.0):
        """True when the enthalpy (kcal/mol) of names at 100 and 300 C
        agrees with the data0 table."""
        for k, i in enumerate(hidx):
            dgdt = sum(c * (gc_h(nm)[2 * k] - gc_h(nm)[2 * k + 1]) for c, nm in names) / (2 * dt)
            dg = sum(c * gc(nm)[i] for c, nm in names)
            h = (dg - (temps[i] + 273.15) * dgdt) / 1000.0 + const
            if abs(h - table[i]) > (TOL_H if temps[i] <= 300.0 else TOL_H_HIGH):
                return False
        return True

    verdict = {}

    def species_ok(name):
        """None when the species has the same data in both sources, else
        the reason why not."""
        if name in verdict:
            return verdict[name]
        verdict[name] = "circular"
        nm = slop(name)
        e = by_name.get(name)
        why = None
        sp = species_by_name.get(nm)
        if nm == "H2O(l)":
            why = None
        elif sp is None or sp.get("nodata"):
            why = "species not in slop98"
        elif nm in KNOWN_DATA_DIFFERENCES:
            why = "known data difference (%s)" % nm
        elif sp.get("placeholder"):
            why = "placeholder data"
        elif nm != "H+" and not same_data(e["ref"] if e else None, sp):
            why = "different reference data (%s)" % name
        elif nm != "H+" and e is not None and not e["reaction"]:
            # strict basis species: its own volume and enthalpy tables
            ref = e["ref"]
            h_const = (sp["Hf"] - sp["Gf"] - 298.15 * sp["Sr"]) / 1000.0
            if "Volume" in ref and abs(v25([(1.0, nm)]) - ref["Volume"][i25]) > TOL_V25:
                why = "different volume parameters (%s)" % name
            elif "Enthalpy" in ref and not h_check([(1.0, nm)], ref["Enthalpy"], h_const):
                why = "different heat-capacity parameters (%s)" % name
        elif e is not None and e["reaction"]:
            why = entry_ok(e)
        verdict[name] = why
        return why

    def entry_ok(e):
        names, g_ref = [], 0.0
        for c, s in e["reaction"]:
            if s != e["name"]:
                why = species_ok(s)
                if why:
                    return why
            nm = slop(s)
            names.append((c, nm))
            g_ref += c * (water.G_H2O_REF if nm == "H2O(l)" else species_by_name[nm]["Gf"])
        ref = e["ref"]
        dgp = sum(c * (gc(nm)[i25] - gc_1(nm)[0]) for c, nm in names)
        if abs(-(g_ref + dgp) / rt25 - e["logk"][i25]) > TOL_LOGK25:
            return "data0 log K at 25 C not from its reported data (%s)" % e["name"]
        if "Volume" in ref and abs(v25(names) - ref["Volume"][i25]) > TOL_V25:
            return "different volume parameters (%s)" % e["name"]
        if "Enthalpy" in ref and not h_check(names, ref["Enthalpy"]):
            return "different heat-capacity parameters (%s)" % e["name"]
        return None

    rows, skipped = [], []
    for e in entries:
        if not e["reaction"] or not e["logk"]:
            continue
        why = species_ok(e["name"])
        if why:
            skipped.append((e["name"], why))
            continue
        names = [(c, slop(s)) for c, s in e["reaction"]]
        # data0 writes  -1 X + sum nu_i B_i = 0 ; log K = -dG_r/(RT ln10)
        dg = 0.0
        for c, nm in names:
            dg = dg + c * gc(nm)
        lk = -dg / (1.98720 * gc.t * np.log(10.0))
        for k, (t, p) in enumerate(zip(temps, press)):
            ref = e["logk"][k]
            if ref == MISSING:
                continue
            rows.append((e["name"], e["section"], t, p, ref, float(lk[k]),
                         float(lk[k] - ref)))
    return rows, skipped

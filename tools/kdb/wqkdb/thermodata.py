"""Reading the slop98 data set (SUPCRT92; XML distribution) and the
Helgeson, Kirkham & Flowers (1981) tables."""

import csv
import os
import re
import xml.etree.ElementTree as ET

_ELEM_RE = re.compile(r"([A-Z][a-z]?)\(([0-9.]+)\)")


def _num(node, tag):
    e = node.find(tag)
    if e is None or e.text is None or e.text.strip() == "":
        return None
    return float(e.text)


def _num0(node, tag):
    v = _num(node, tag)
    return 0.0 if v is None else v


def parse_elements(text):
    out = {}
    for sym, n in _ELEM_RE.findall(text or ""):
        out[sym] = out.get(sym, 0.0) + float(n)
    return out


def load_supcrt(path):
    """Returns (elements: {symbol: molar mass}, species: list of dicts).

    Each species dict: name, formula, kind ('aqueous', 'mineral', 'gas'),
    elements {symbol: count}, charge, mass, Gf, Hf, Sr and the model
    parameters (HKF a1..a4, c1, c2, wref for aqueous species; Vr and a list
    of phases with a, b, c, Ttr, Htr, Vtr, dPdT for minerals and gases).
    'placeholder' is True when the data set gives no formation energies.
    """
    root = ET.parse(path).getroot()
    elements = {}
    for e in root.findall("Element"):
        elements[e.find("Name").text] = float(e.find("MolarMass").text)
    kinds = {"Aqueous": "aqueous", "Mineral": "mineral", "Gaseous": "gas"}
    species = []
    for s in root.findall("Species"):
        d = {
            "name": s.find("Name").text,
            "formula": s.find("Formula").text,
            "kind": kinds[s.find("Type").text],
            "elements": parse_elements(s.find("Elements").text),
            "charge": int(float(s.find("Charge").text)) if s.find("Charge") is not None else 0,
            "mass": float(s.find("MolarMass").text),
        }
        h = s.find("Thermo/HKF")
        if h is None:
            d["nodata"] = True
            species.append(d)
            continue
        d["nodata"] = False
        gf = _num(h, "Gf")
        hf = _num(h, "Hf")
        d["Gf"] = 0.0 if gf is None else gf
        d["Hf"] = 0.0 if hf is None else hf
        d["Sr"] = _num0(h, "Sr")
        d["refs"] = (h.find("References").text or "").strip() if h.find("References") is not None else ""
        # A mineral or gas without formation energies is a placeholder, unless
        # it is an element in its reference state (G = H = 0 by definition).
        d["placeholder"] = (d["Gf"] == 0.0 and d["Hf"] == 0.0
                            and len(d["elements"]) != 1 and d["name"] != "H+")
        if d["kind"] == "aqueous":
            for k in ("a1", "a2", "a3", "a4", "c1", "c2", "wref"):
                d[k] = _num0(h, k)
        else:
            d["Vr"] = _num0(h, "Vr")
            d["Tmax"] = _num0(h, "Tmax")
            phases = []
            ntr = int(_num0(h, "NumPhaseTrans"))
            if ntr == 0:
                phases.append({"a": _num0(h, "a"), "b": _num0(h, "b"), "c": _num0(h, "c"),
                               "Ttr": None, "Htr": 0.0, "Vtr": 0.0, "dPdT": 0.0})
            else:
                for i in range(ntr + 1):
                    r = h.find("TemperatureRange%d" % i)
                    phases.append({"a": _num0(r, "a"), "b": _num0(r, "b"), "c": _num0(r, "c"),
                                   "Ttr": _num(r, "Ttr"), "Htr": _num0(r, "Htr"),
                                   "Vtr": _num0(r, "Vtr"), "dPdT": _num0(r, "dPdTtr")})
            d["phases"] = phases
        species.append(d)
    return elements, species


def load_hkf81_tables(path):
    """HKF81 activity-model table: dict (T_C, P_bar) -> (A, B, b_eta [kg/cal],
    b_NaCl [kg/mol])."""
    out = {}
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            key = (float(row["T_C"]), float(row["P_bar"]))
            out[key] = (float(row["A_gamma"]), float(row["B_gamma"]),
                        float(row["b_eta_x1e7"]) * 1e-7,
                        float(row["b_NapClm_x1e2"]) * 1e-2)
    return out


def load_radii(path):
    """HKF81 effective electrostatic radii: name -> (charge, r_e in A)."""
    out = {}
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            out[row["species"]] = (int(row["charge"]), float(row["r_e_angstrom"]))
    return out


def thermo_files(thermo_dir):
    return {
        "supcrt": os.path.join(thermo_dir, "supcrt98.xml"),
        "hkf81": os.path.join(thermo_dir, "hkf81_activity_tables.csv"),
        "radii": os.path.join(thermo_dir, "hkf81_effective_radii.csv"),
        "llnl": os.path.join(thermo_dir, "llnl_logk.csv"),
        "data0": {k: os.path.join(thermo_dir, "data0." + k) for k in ("shv", "500", "1kb")},
    }


_TOKEN = re.compile(r"([A-Z][a-z]?|\(|\)|\d+(?:\.\d+)?)")


def formula_elements(formula):
    """Element counts of a chemical formula such as 'Ag(CO3)2---',
    'B(OH)3(aq)' or 'Mg7Si8O22(OH)2'; None when the text is not a plain
    formula.  Used to catch entries whose element list contradicts their
    formula."""
    f = re.sub(r"\(aq\)$|\(g\)$", "", formula)
    f = re.sub(r"[+-]+$", "", f)
    if not re.fullmatch(r"[A-Za-z0-9()]+", f):
        return None
    stack = [{}]
    toks = _TOKEN.findall(f)
    if "".join(toks) != f:
        return None
    i = 0
    last = None
    while i < len(toks):
        t = toks[i]
        if t == "(":
            stack.append({})
            last = None
        elif t == ")":
            if len(stack) < 2:
                return None
            grp = stack.pop()
            n = 1.0
            if i + 1 < len(toks) and toks[i + 1][0].isdigit():
                n = float(toks[i + 1])
                i += 1
            for e, k in grp.items():
                stack[-1][e] = stack[-1].get(e, 0.0) + k * n
            last = None
        elif t[0].isdigit():
            if last is None:
                return None
            stack[-1][last] = stack[-1].get(last, 0.0) + float(t) - 1.0
        else:
            stack[-1][t] = stack[-1].get(t, 0.0) + 1.0
            last = t
        i += 1
    if len(stack) != 1:
        return None
    return stack[0]

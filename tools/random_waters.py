#!/usr/bin/env python3
"""Random waters through the batch, each converged record checked against
what a water can be, and the reasons of the others counted by kind.

    python3 tools/random_waters.py [--waters N] [--seed S] [--wqspec PATH]

The waters: 0-300 C, pH 1-12 (or blank beside a CO2 fugacity), Na-K-Ca-Mg-
Fe-Al-Cl-SO4-SiO2-F from dilute to 6 mol/kg in all, alkalinities of 0 to
10 meq/kg; in four batches of the same table: as analysed, balanced on Cl-,
the pH from electroneutrality, and with calcite, quartz and gypsum held at
saturation on Ca++, SiO2 and SO4--. A converged record is checked from its
own numbers, not the program's judgement: every molality, activity and
activity coefficient finite and positive, a(H2O) in (0, 1.1], I = 1/2 sum
m z^2 of its species, no species above 10 mol/kg, the free water within a
tenth of the kilogram analysed, CO2 at no more than ten times the pressure.
Exit status 1 when a converged record breaks one of these.
"""
import argparse
import collections
import json
import math
import os
import random
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
COMPONENTS = ["Na", "K", "Ca", "Mg", "Fe", "Al", "Cl", "SO4", "SiO2", "F"]
CHARGE = {"Na": 1, "K": 1, "Ca": 2, "Mg": 2, "Fe": 2, "Al": 3, "Cl": -1, "SO4": -2, "SiO2": 0, "F": -1}

TEMPLATE_HEAD = """Random waters with minerals held
the table gives every component
Conv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)
--------------------------------------------------------------------------
 1.0E-9  7.0  0.0  0.0  25.0  0.0  1.0E-10  1.0
l/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt
--------------------------------------------------------------------------

 0 1 0 0 200 3 0 0 0 0 0
SAQ  species      Mtot (moles; water: kg)
-----------------------------------------------------------------------------
"""
TEMPLATE_COMPONENTS = [(1, "H+"), (2, "H2O"), (3, "Cl-"), (4, "SO4--"), (5, "HCO3-"), (7, "F-"), (9, "Ca++"),
                       (10, "Mg++"), (11, "SiO2,aq"), (12, "K+"), (13, "Na+"), (14, "Al+++"), (15, "Fe++")]
HELD = "Calcite                  9     0.000\nQuartz                  11     0.000\nGypsum                   4     0.000\n"


def template():
    text = TEMPLATE_HEAD
    for number, name in TEMPLATE_COMPONENTS:
        total = 1.0 if number == 2 else 1e-3
        text += f"{number:5d} {name:<14s}{total:17.10E}{total / 2:19.10E}   1.0000000000E+00\n"
    return text + "    0\nForced minerals: name, IEQ, log(Q/K)\n" + HELD


def water(rng, k):
    """One row: name, T, pH, the components, alkalinity, CO2(g)."""
    strength = 10 ** rng.uniform(-4, math.log10(6.0))
    chosen = rng.sample(COMPONENTS, rng.randint(2, len(COMPONENTS)))
    for needed in ("Ca", "SO4", "SiO2"):  # the held minerals' components
        if needed not in chosen:
            chosen.append(needed)
    weights = {c: rng.random() for c in chosen}
    scale = strength / sum(weights.values())
    cells = {c: weights[c] * scale for c in chosen}
    for trace in ("Fe", "Al", "F"):
        if trace in cells:
            cells[trace] = min(cells[trace], 10 ** rng.uniform(-7, -3))
    alkalinity = rng.choice([None, rng.uniform(0.0, 10.0)])
    co2 = rng.uniform(-4.0, 0.0) if alkalinity is not None and rng.random() < 0.3 else None
    pH = None if co2 is not None or rng.random() < 0.1 else rng.uniform(1.0, 12.0)
    return {"name": f"w{k}", "T": rng.uniform(0.0, 300.0), "pH": pH, "cells": cells, "alk": alkalinity, "co2": co2}


def table(waters):
    head = ["name", "T", "pH"] + [f"{c} [mol/kgw]" for c in COMPONENTS] + ["alkalinity [meq/kgw]", "CO2(g) [log f]"]
    lines = [",".join(head)]
    for w in waters:
        row = [w["name"], f"{w['T']:.3f}", "" if w["pH"] is None else f"{w['pH']:.3f}"]
        row += ["" if c not in w["cells"] else f"{w['cells'][c]:.6g}" for c in COMPONENTS]
        row += ["" if w["alk"] is None else f"{w['alk']:.4f}", "" if w["co2"] is None else f"{w['co2']:.3f}"]
        lines.append(",".join(row))
    return "\n".join(lines) + "\n"


def charge_of(name):
    """The charge a species' name writes: Ca++ 2, SO4-- -2, Al(OH)2+ 1, CO2,aq 0."""
    m = re.search(r"([+-]+)$", name.split(",")[0])
    if not m:
        return 0
    return len(m.group(1)) * (1 if m.group(1)[0] == "+" else -1)


def broken(record):
    """What a converged record breaks of what a water can be; None when nothing."""
    def finite_positive(v):
        return isinstance(v, (int, float)) and math.isfinite(v) and v > 0

    for key in ("kg_water", "a_H2O"):
        if not finite_positive(record.get(key)):
            return f"{key} {record.get(key)}"
    if record["a_H2O"] > 1.1:
        return f"a(H2O) {record['a_H2O']}"
    species = record.get("species", {})
    strength = 0.0
    for name, s in species.items():
        for key in ("m", "a", "gamma"):
            if not finite_positive(s.get(key)):
                return f"{name} {key} {s.get(key)}"
        if s["m"] > 10.0 * (1 + 1e-9):
            return f"{name} at {s['m']} mol/kg"
        strength += 0.5 * s["m"] * charge_of(name) ** 2
    if abs(record["I"] - strength) > 1e-3 * strength + 1e-12:
        return f"I {record['I']} against {strength} of the species"
    if abs(record["kg_water"] - 1.0) > 0.1:
        return f"kg of water {record['kg_water']}"
    co2 = record.get("gases", {}).get("CO2(g)")
    if co2 and co2["log_f"] > math.log10(10.0 * max(record.get("P", 1.0), 1.0)):
        return f"log f(CO2) {co2['log_f']}"
    return None


def kind_of(status):
    """The kind of a failure: its status with the numbers and names taken out."""
    s = re.sub(r"row on line \d+", "row", status)
    s = re.sub(r"-?\d+(\.\d+)?([eE][+-]?\d+)?", "#", s)
    s = re.sub(r"\"[^\"]*\"", "\"...\"", s)
    s = re.sub(r"(reaches|holds|no water holds) [A-Za-z0-9(),+-]+", r"\1 X", s)
    return s[:110]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--waters", type=int, default=10000)
    parser.add_argument("--seed", type=int, default=20261209)
    parser.add_argument("--wqspec", default=os.path.join(ROOT, "build", "release", "wqspec"))
    args = parser.parse_args()
    rng = random.Random(args.seed)
    waters = [water(rng, k) for k in range(args.waters)]
    runs = [("as analysed", []), ("balanced on Cl-", ["--balance", "Cl-"]), ("pH from electroneutrality", ["--balance", "pH"]),
            ("calcite, quartz, gypsum held", ["--case", "HELD.DAT"])]
    breaks = 0
    with tempfile.TemporaryDirectory(prefix="wqspec-random-") as folder:
        with open(os.path.join(folder, "t.csv"), "w") as f:
            f.write(table(waters))
        with open(os.path.join(folder, "HELD.DAT"), "w") as f:
            f.write(template())
        database = os.path.join(ROOT, "examples", "LOGKDATA.KDB")
        for label, options in runs:
            done = subprocess.run([args.wqspec, "batch", "t.csv", "--db", database, "--out", "out.json"] + options,
                                  cwd=folder, capture_output=True, text=True)
            if done.returncode not in (0, 1):
                print(f"{label}: the batch ended with {done.returncode}: {done.stderr.strip()}")
                return 1
            with open(os.path.join(folder, "out.json")) as f:
                records = json.load(f)
            converged = [r for r in records if r["status"].startswith("converged")]
            kinds = collections.Counter(kind_of(r["status"]) for r in records if not r["status"].startswith("converged"))
            print(f"{label}: {len(converged)} of {len(records)} converged")
            for r in converged:
                why = broken(r)
                if why:
                    breaks += 1
                    print(f"  BROKEN {r['name']}: {why}")
            for kind, n in kinds.most_common():
                print(f"  {n:6d}  {kind}")
    print(f"{breaks} converged records break what a water can be")
    return 1 if breaks else 0


if __name__ == "__main__":
    sys.exit(main())

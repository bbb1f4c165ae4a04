#!/usr/bin/python3
"""The Black Sea evaporated (evaporation.csv of `wqspec evaporate`) against
Carpenter's (1978) measured brine (WATERS.csv), in mol/kg of water.

    python3 examples/blacksea/compare.py [evaporation.csv]   (from the repository top)

The brine of the path at a factor F holds what the starting water held less
what the minerals took, concentrated F times: m = (m0 - sum nu p) F, with p
the moles of each mineral precipitated per kg of the starting water (the
path's columns) and nu its formula. The factor of the comparison is where
the model brine's Mg equals the measured brine's: magnesium stays in
solution until the K-Mg salts (only polyhalite, a little, by then), so it
measures how much water went, as the inverse model of Parkhurst & Appelo
(2013, example 17) does with all of them (88-fold).
"""
import csv
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
# Atomic and formula masses (g/mol), SO4 as the sulfate ion.
MASS = {"Na": 22.98977, "K": 39.0983, "Mg": 24.305, "Ca": 40.078, "Cl": 35.453, "SO4": 96.0626, "Br": 79.904}
ION = {"Na": "Na+", "K": "K+", "Mg": "Mg++", "Ca": "Ca++", "Cl": "Cl-", "SO4": "SO4--", "Br": "Br-"}
# The formulas of the minerals the path may precipitate (its --minerals), in these components.
FORMULA = {
    "Gypsum": {"Ca": 1, "SO4": 1}, "Anhydrite": {"Ca": 1, "SO4": 1}, "Halite": {"Na": 1, "Cl": 1},
    "Glauberite": {"Na": 2, "Ca": 1, "SO4": 2}, "Polyhalite": {"K": 2, "Ca": 2, "Mg": 1, "SO4": 4},
    "Syngenite": {"K": 2, "Ca": 1, "SO4": 2}, "Labile_S": {"Na": 4, "Ca": 1, "SO4": 3},
    "Bloedite": {"Na": 2, "Mg": 1, "SO4": 2}, "Epsomite": {"Mg": 1, "SO4": 1}, "Hexahydrite": {"Mg": 1, "SO4": 1},
    "Pentahydrite": {"Mg": 1, "SO4": 1}, "Kieserite": {"Mg": 1, "SO4": 1}, "Kainite": {"K": 1, "Mg": 1, "Cl": 1, "SO4": 1},
    "Carnallite": {"K": 1, "Mg": 1, "Cl": 3}, "Sylvite": {"K": 1, "Cl": 1}, "Bischofite": {"Mg": 1, "Cl": 2},
    "Leonite": {"K": 2, "Mg": 1, "SO4": 2}, "Schoenite": {"K": 2, "Mg": 1, "SO4": 2},
    "Mirabilite": {"Na": 2, "SO4": 1}, "Thenardite": {"Na": 2, "SO4": 1}, "Arcanite": {"K": 2, "SO4": 1},
    "Glaserite": {"K": 3, "Na": 1, "SO4": 2},
}


def measured():
    """{row name: {component: mol/kgw}} of WATERS.csv (mg/L with the density):
    a litre holds density kg of solution, of which the solids are the sum of the row."""
    waters = {}
    for r in csv.DictReader(open(os.path.join(HERE, "WATERS.csv"))):
        mg = {c: float(r[f"{c} [mg/L]" if c != "Br" else "Br- [mg/L]"]) for c in MASS}
        water = float(r["density [kg/L]"]) - sum(mg.values()) * 1e-6
        waters[r["name"]] = {c: mg[c] / 1000.0 / MASS[c] / water for c in MASS}
    return waters


CHARGE = {"Na": 1, "K": 1, "Mg": 2, "Ca": 2, "Cl": -1, "SO4": -2, "Br": -1}


def start_molalities():
    """The totals of the path's run input (WQCASE.DAT), per kg of its water,
    with chloride balancing the charge as the path's first run does (its pH
    fixed: the template's Cl- balance; H+ and OH- are 1e-6 of it at pH 8)."""
    totals, water = {}, None
    lines = open(os.path.join(HERE, "WQCASE.DAT")).read().splitlines()
    for line in lines[lines.index(next(l for l in lines if l.startswith("SAQ"))) + 2:]:
        cells = line.split()
        if len(cells) < 3:
            break
        if cells[1] == "H2O":
            water = float(cells[2])
        totals[cells[1]] = float(cells[2])
    m = {c: totals[ION[c]] / water for c in MASS}
    m["Cl"] += sum(CHARGE[c] * m[c] for c in m)
    return m


def brine_path(path):
    """[(F, {component: mol/kgw})] of the path's rows."""
    rows = [l for l in open(path) if not l.startswith("#")]
    start = start_molalities()
    out = []
    for r in csv.DictReader(rows):
        m = dict(start)
        for column, value in r.items():
            if column.startswith("precipitated(") and value and float(value) != 0.0:
                mineral = column[len("precipitated("):column.index(")")]
                if mineral not in FORMULA:
                    sys.exit(f"compare.py: no formula for {mineral}, which the path precipitated")
                for c, nu in FORMULA[mineral].items():
                    m[c] -= nu * float(value)
        f = float(r["concentration factor"])
        out.append((f, {c: m[c] * f for c in m}))
    return out


def at_measured_mg(path, mg):
    """The path's brine where its Mg equals mg, interpolated linearly in ln F."""
    for (f0, b0), (f1, b1) in zip(path, path[1:]):
        if b0["Mg"] <= mg <= b1["Mg"]:
            w = (math.log(mg) - math.log(b0["Mg"])) / (math.log(b1["Mg"]) - math.log(b0["Mg"]))
            f = math.exp(math.log(f0) + w * (math.log(f1) - math.log(f0)))
            return f, {c: b0[c] + w * (b1[c] - b0[c]) for c in b0}
    sys.exit(f"compare.py: the path's brine never reaches Mg {mg:.4f} mol/kgw")


def main():
    waters = measured()
    sea, brine = waters["black_sea_Carpenter_1978"], waters["brine_Carpenter_1978"]
    path = brine_path(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "evaporation.csv"))
    f, model = at_measured_mg(path, brine["Mg"])
    print(f"concentration factor where the model brine's Mg is the measured {brine['Mg']:.4f} mol/kgw: {f:.1f}")
    print("component  Black Sea  measured brine  measured/Black Sea  model brine  model/measured-1")
    for c in MASS:
        ratio = f"{brine[c] / sea[c]:8.1f}" if brine[c] > 0 else "       -"
        dev = f"{100 * (model[c] / brine[c] - 1):+7.1f} %" if brine[c] > 0 else "      -"
        print(f"{c:9s}  {sea[c]:9.5f}  {brine[c]:14.5f}  {ratio:>18s}  {model[c]:11.5f}  {dev:>16s}")


if __name__ == "__main__":
    main()

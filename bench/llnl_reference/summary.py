#!/usr/bin/python3
"""The headline numbers of the reference csv files as markdown tables:
ionic strength, free fractions of the metals and the saturation indices of
the minerals one compares first.

    /usr/bin/python3 bench/llnl_reference/summary.py > bench/llnl_reference/summary.md
"""

import csv
import os

HERE = os.path.dirname(os.path.abspath(__file__))
TEMPERATURES = (12, 25, 40)
WATERS = {
    "acid_mine": ("Fe+2", "Fe+3", "Al+3", "Zn+2", "Cu+2", "Mn+2"),
    "sulfidic": ("Fe+2", "Mn+2", "Sr+2"),
}
MINERALS = ("Gypsum", "Anhydrite", "Calcite", "Siderite", "Rhodochrosite", "Alunite",
            "Jarosite", "Jarosite-Na", "Gibbsite", "Kaolinite", "Goethite", "Fe(OH)3",
            "Fluorite", "Melanterite", "Pyrite", "Pyrrhotite", "Troilite", "Celestite",
            "Strontianite", "CO2(g)", "H2S(g)")


def read(path):
    values = {}
    with open(path, newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f):
            values[(row["section"], row["name"], row["quantity"])] = float(row["value"])
    return values


def table(water, metals):
    runs = {t: read(os.path.join(HERE, "%s_%dC.csv" % (water, t))) for t in TEMPERATURES}
    head = "| %s | " % water + " | ".join("%d C" % t for t in TEMPERATURES) + " |"
    lines = [head, "|---" * (len(TEMPERATURES) + 1) + "|"]

    def line(label, key, fmt):
        cells = [fmt % runs[t][key] if key in runs[t] else "-" for t in TEMPERATURES]
        if any(c != "-" for c in cells):
            lines.append("| %s | %s |" % (label, " | ".join(cells)))

    line("I (mol/kg)", ("solution", "", "ionic_strength"), "%.5f")
    line("a_w", ("solution", "", "water_activity"), "%.5f")
    line("charge imbalance (eq/kg)", ("solution", "", "charge_balance_eq_per_kg"), "%.2e")
    for m in metals:
        line("free %s / total" % m, ("species", m, "fraction_of:" + m), "%.4f")
    for m in MINERALS:
        line("SI %s" % m, ("phase", m, "si"), "%.3f")
    return "\n".join(lines)


def main():
    print("<!-- written by bench/llnl_reference/summary.py from the csv files -->")
    for water, metals in WATERS.items():
        print()
        print(table(water, metals))


if __name__ == "__main__":
    main()

"""The records of this example beside the independent LLNL-data speciation of
bench/llnl_reference (the B-dot model of llnl.dat on the LLNL data set, the
way PHREEQC with llnl.dat computes a water): the free fractions of the metals
and the saturation indices of the minerals both hold, as a Markdown table.

    build/release/wqspec batch examples/metals/WATERS.csv --db examples/LOGKDATA.KDB \\
        --all --out examples/metals/records.json
    python3 examples/metals/compare.py > examples/metals/comparison.md
"""
import csv
import json
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, "..", "..", "bench", "llnl_reference")

# (this database's name, the LLNL name)
METALS = [("Fe++", "Fe+2"), ("Fe+++", "Fe+3"), ("Al+++", "Al+3"), ("Zn++", "Zn+2"), ("Cu++", "Cu+2")]
MINERALS = ["Gypsum", "Calcite", "Siderite", "Rhodochrosite", "Alunite", "Jarosite", "Jarosite-Na",
            "Gibbsite", "Kaolinite", "Goethite", "Fe(OH)3", "Fluorite", "Melanterite", "Pyrite",
            "Celestite", "Strontianite"]
WATERS = [("acid mine water", "acid_mine"), ("sulfidic groundwater", "sulfidic")]


def reference(stem, temperature):
    path = os.path.join(REFERENCE, "%s_%dC.csv" % (stem, temperature))
    fractions, si = {}, {}
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            if row["section"] == "species" and row["quantity"] == "fraction_of:" + row["name"]:
                fractions[row["name"]] = float(row["value"])
            elif row["section"] == "phase" and row["quantity"] == "si":
                si[row["name"]] = float(row["value"])
    return fractions, si


def main(records_path):
    with open(records_path) as f:
        records = {r["name"]: r for r in json.load(f)}
    print("| water | T (C) | quantity | wqspec | LLNL reference | difference |")
    print("|---|---|---|---|---|---|")
    for water, stem in WATERS:
        for temperature in (12, 25, 40):
            r = records["%s %d C" % (water, temperature)]
            fractions, si = reference(stem, temperature)
            rows = []
            for ours, llnl in METALS:
                total = r["totals"].get(ours)
                if total and llnl in fractions and total["molality"] > 0:
                    rows.append(("free %s / total" % ours, total["alpha"], fractions[llnl]))
            for m in MINERALS:
                if m in r["minerals"] and m in si:
                    rows.append(("SI " + m, r["minerals"][m]["SI"], si[m]))
            for name, a, b in rows:
                print("| %s | %d | %s | %.3f | %.3f | %+.3f |" % (water, temperature, name, a, b, a - b))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "records.json"))

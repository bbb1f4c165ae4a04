#!/usr/bin/env python3
"""Writes the console run input of examples/redox/seawater-air.

Each case folder gets WQCASE.DAT (the water, the options of the run),
`arguments` (the redox options of its command line) and `answers` (the console
answers that end the program after the first run). README.md beside this
script says where each water comes from and how sure its numbers are.

The other examples of examples/redox are tables for `wqspec batch`, which
converts their units itself. Units here: the seawater is in mg/kg of solution,
turned into moles with the formula weights of the bundled database (the very
weights the program divides by), its moles in the 0.96492 kg of water of one
kilogram, as in examples/seawater.

Run: python3 examples/redox/make_cases.py          (writes the folders)
     python3 examples/redox/make_cases.py --check  (they are up to date)
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def formula_weights():
    """Gram formula weights of the component species of the bundled database."""
    weights = {}
    with open(os.path.join(HERE, "..", "LOGKDATA.KDB"), encoding="latin-1") as f:
        for line in f:
            parts = line.split()
            if len(parts) == 8 and parts[5:7] == ["database", "number"]:
                weights[parts[0]] = (float(parts[3]), int(parts[7]))
    return weights


FW = formula_weights()

# --- The waters ---------------------------------------------------------------
#
# Each: title lines, pH (0: computed), alkalinity (mg/L as HCO3), charge-balance
# species (database number), totals in mg/L of the component species, the mass
# of water (kg) and the redox options of its command line.

CASES = {
    # The seawater test composition of Nordstrom et al. (1979), as
    # examples/seawater (mg/kg of solution), in equilibrium with air:
    # log fO2 = log 0.2095 x (1.01325 - 0.0317) bar = -0.69 (O2 of dry air,
    # less the vapour pressure of water at 25 C).
    "seawater-air": {
        "title": ("Seawater, Nordstrom et al. (1979) test composition, in equilibrium with air",
                  "Redox state log fO2 = -0.69 (air at 1 atm, 25 C); pH 8.22; alk 141.682 mg/kg"),
        "pH": 8.22, "alkalinity": 141.682, "balance": 3, "kg": 0.96492,
        "mg": {"Cl-": 19353.0, "SO4--": 2712.0, "Ca++": 412.3, "Mg++": 1291.8, "SiO2,aq": 4.28,
               "K+": 399.1, "Na+": 10768.0, "Fe+++": 0.002, "Mn++": 0.0002},
        "arguments": "--redox logfO2=-0.69",
    },
}

HEAD = """\
Conv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)
--------------------------------------------------------------------------
 1.0E-9  {pH}  0.0  {alk:.6E}  25.0  0.0  1.0E-10  1.0
l/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt
--------------------------------------------------------------------------

 0 1 0 0 300 {balance} 0 0 0 0 0
SAQ  species      Mtot (moles; water: kg)      Mtry               gamma
-----------------------------------------------------------------------------
"""


def component_line(number, name, total, start):
    return "%5d %-12s%19.10E%19.10E%19.10E" % (number, name, total, start, 1.0)


def case_text(case):
    assert all(len(t) <= 80 for t in case["title"]), case["title"]
    kg = case["kg"]
    alk = case["alkalinity"] / 1000.0 / FW["HCO3-"][0] / kg
    lines = ["%-80s" % case["title"][0], "%-80s" % case["title"][1]]
    lines += HEAD.format(pH=case["pH"], alk=alk, balance=case["balance"]).rstrip("\n").split("\n")
    lines.append(component_line(1, "H+", 0.0, 1e-7))
    lines.append(component_line(2, "H2O", kg, 1.0))
    moles = sorted((FW[name][1], name, mg / 1000.0 / FW[name][0]) for name, mg in case["mg"].items())
    for number, name, mol in moles:
        lines.append(component_line(number, name, mol, 0.5 * mol / kg))
    lines.append("    0")
    return "\n".join(lines) + "\n"


def files():
    for name, case in CASES.items():
        yield os.path.join(HERE, name, "WQCASE.DAT"), case_text(case)
        yield os.path.join(HERE, name, "arguments"), case["arguments"] + "\n"
        yield os.path.join(HERE, name, "answers"), "\n\n"


def main(argv):
    stale = []
    for path, text in files():
        old = open(path).read() if os.path.exists(path) else None
        if "--check" in argv:
            if old != text:
                stale.append(path)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)
    for path in stale:
        print("out of date: " + path, file=sys.stderr)
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

#!/usr/bin/env python3
"""Writes the run inputs of examples/redox from the analyses below.

Each case folder gets WQCASE.DAT (the water, the options of the run),
`arguments` (the redox options of its command line) and `answers` (the console
answers that end the program after the first run). README.md beside this
script says where each water comes from and how sure its numbers are.

Units: mg per litre of the analysis taken as mg per kg of water (within 0.5 %
for these waters: the acid mine water, the most concentrated, holds about
3.5 g/L), turned into moles with the formula weights of the bundled database,
the very weights the program divides by; the seawater is in mg/kg of solution,
its moles in the 0.96492 kg of water of one kilogram, as in examples/seawater.

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
AS = 74.9216  # arsenic, g/mol (IUPAC): analyses give arsenic as As

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
    # Constructed acid mine water (no single published analysis): ferrous and
    # ferric iron determined apart, a platinum-electrode Eh of 0.68 V; values
    # of the order reported for the Iron Mountain district drainage.
    "acid-mine": {
        "title": ("Acid mine water (constructed): Fe(II) 420, Fe(III) 95 mg/L, pH 2.45, Eh 0.68 V",
                  "Redox state from the couple Fe++/Fe+++; charge balance on SO4--"),
        "pH": 2.45, "alkalinity": 0.0, "balance": 4, "kg": 1.0,
        "mg": {"Cl-": 4.0, "SO4--": 2600.0, "Ca++": 55.0, "Mg++": 38.0, "SiO2,aq": 58.0, "K+": 2.5,
               "Na+": 9.0, "Al+++": 160.0, "Fe++": 420.0, "Fe+++": 95.0, "Mn++": 3.1, "Zn++": 62.0,
               "Cu++": 13.0},
        "arguments": "--redox Fe++/Fe+++ --decouple S",
    },
    # The same water given as total iron (as Fe++) and its measured Eh.
    "acid-mine-eh": {
        "title": ("Acid mine water (constructed): total Fe 515 mg/L, pH 2.45, Eh 0.68 V measured",
                  "Redox state Eh = 0.68 V; iron distributed; charge balance on SO4--"),
        "pH": 2.45, "alkalinity": 0.0, "balance": 4, "kg": 1.0,
        "mg": {"Cl-": 4.0, "SO4--": 2600.0, "Ca++": 55.0, "Mg++": 38.0, "SiO2,aq": 58.0, "K+": 2.5,
               "Na+": 9.0, "Al+++": 160.0, "Fe++": 515.0, "Mn++": 3.1, "Zn++": 62.0, "Cu++": 13.0},
        "arguments": "--redox Eh=0.68 --decouple S",
    },
    # Constructed oxic groundwater: dissolved oxygen 7.5 mg/L, nitrate 25 mg/L.
    "oxic-groundwater": {
        "title": ("Oxic groundwater (constructed): DO 7.5 mg/L, NO3 25 mg/L, pH 7.3",
                  "Redox state from the dissolved oxygen; N2,aq suppressed; balance on Cl-"),
        "pH": 7.3, "alkalinity": 250.0, "balance": 3, "kg": 1.0,
        "mg": {"Cl-": 22.0, "SO4--": 35.0, "Ca++": 65.0, "Mg++": 14.0, "SiO2,aq": 18.0, "K+": 2.5,
               "Na+": 18.0, "Fe++": 0.03, "Mn++": 0.005, "NH4+": 0.03, "NO3-": 25.0, "O2,aq": 7.5},
        "arguments": "--redox O2,aq --suppress N2,aq",
    },
    # Constructed anoxic groundwater: ferrous iron, sulfate and sulfide,
    # ammonium, arsenite and arsenate; Fe(III) 0.05 mg/L is total minus
    # ferrous iron, as a laboratory reports it.
    "anoxic-groundwater": {
        "title": ("Anoxic groundwater (constructed): Fe(II) 5.0, Mn 0.5, SO4 12, HS 0.3 mg/L",
                  "Redox state from the couple HS-/SO4--; nitrogen decoupled; balance on Cl-"),
        "pH": 7.0, "alkalinity": 420.0, "balance": 3, "kg": 1.0,
        "mg": {"Cl-": 20.0, "SO4--": 12.0, "HS-": 0.3, "Ca++": 75.0, "Mg++": 25.0, "SiO2,aq": 45.0,
               "K+": 4.0, "Na+": 40.0, "Fe++": 5.0, "Fe+++": 0.05, "Mn++": 0.5, "NH4+": 2.5,
               "HAsO2,aq": 0.12 / AS * 107.9283, "H2AsO4-": 0.03 / AS * 140.9351},
        "arguments": "--redox HS-/SO4-- --decouple N",
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

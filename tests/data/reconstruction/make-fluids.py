#!/usr/bin/env python3
"""Makes the synthetic sampled waters of the reconstruction tests.

Each reservoir liquid is computed by wqspec itself at its temperature on the
saturation curve, held in equilibrium with quartz, albite, K-feldspar,
muscovite, calcite and clinochlore by forced minerals (each fixes the total
of one component: SiO2, Na+, Al+++, K+, Ca++ and Mg++), with its pH chosen so
that the liquid holds about 0.08 mol/kg of sodium and its chloride balancing
the charge. The liquid is then sampled as a geothermal well samples it: it
boils, losing the steam fraction y (every total divided by 1 - y), the steam
takes the fraction f of its CO2 (the totals of HCO3- and H+ less f times the
carbonate, CO2,aq being H+ + HCO3- - H2O), and its aluminium is not analysed
(Al+++ left with 1e-12 mol, so that a mineral can fix it again). The sampled
water is written as a run input at 100 C with its pH computed.

Usage (from the top of a clone, after a build):
    /usr/bin/python3 tests/data/reconstruction/make-fluids.py build/release/wqspec
It rewrites the fluid-*.DAT files beside it; the tests read them as they are.
"""
import json
import math
import pathlib
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
DATABASE = HERE.parents[2] / "examples" / "LOGKDATA.KDB"
SODIUM_TARGET = 0.08  # mol/kg

# temperature (C), carbonate total (mol/kg), steam fraction lost, fraction of the CO2 lost
FLUIDS = [
    (180.0, 0.010, 0.10, 0.50),
    (230.0, 0.030, 0.20, 0.80),
    (280.0, 0.050, 0.30, 0.95),
]

HEAD = """Conv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)
--------------------------------------------------------------------------
 1.0E-9  {ph:.4f}  0.0  0.0  {t:.1f}  0.0  1.0E-10  1.0
l/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt
--------------------------------------------------------------------------

 0 1 0 {chbal} 100 3 0 1 0 0 0
SAQ  species      Mtot (moles in the given kg of water)
-----------------------------------------------------------------------------
"""

# database number, name, as in the bundled database
COMPONENTS = [(1, "H+"), (2, "H2O"), (3, "Cl-"), (5, "HCO3-"), (9, "Ca++"), (10, "Mg++"),
              (11, "SiO2,aq"), (12, "K+"), (13, "Na+"), (14, "Al+++")]

FORCED = [("Quartz", 11), ("K-Feldspar", 14), ("Muscovite", 12), ("Albite,low", 13),
          ("Calcite", 9), ("Clinochlore,14A", 10)]


def component_line(number, name, total, start):
    return f"{number:5d} {name:<14s}{total:17.10E}{start:19.10E}{1.0:19.10E}\n"


def reservoir_case(t, ph, carbonate):
    text = ("Synthetic reservoir liquid in equilibrium with its alteration assemblage\n"
            f"at {t:.0f} C: quartz, albite, K-feldspar, muscovite, calcite, clinochlore\n")
    text += HEAD.format(ph=ph, t=t, chbal=1)
    starts = {"H+": (0.0, 1e-7), "H2O": (1.0, 1.0), "Cl-": (0.1, 0.05), "HCO3-": (carbonate, carbonate / 3),
              "Ca++": (1e-4, 5e-5), "Mg++": (1e-6, 5e-7), "SiO2,aq": (5e-3, 5e-3), "K+": (5e-3, 2.5e-3),
              "Na+": (SODIUM_TARGET, SODIUM_TARGET / 2), "Al+++": (1e-6, 1e-20)}
    for number, name in COMPONENTS:
        text += component_line(number, name, *starts[name])
    text += "    0\nForced minerals: name, IEQ, log(Q/K)\n"
    for mineral, ieq in FORCED:
        text += f"{mineral:<20s}{ieq:6d}{0.0:10.3f}\n"
    return text


def solve(program, case):
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        (folder / "WQCASE.DAT").write_text(case)
        (folder / "LOGKDATA.KDB").write_bytes(DATABASE.read_bytes())
        subprocess.run([program, "--results", "runs.json"], cwd=folder, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, check=True)
        record = json.loads((folder / "runs.json").read_text())[0]
    if record["status"] != "converged":
        sys.exit(f"the reservoir liquid did not converge: {record['status']}")
    return record


def reservoir(program, t, carbonate):
    ph = 6.5
    for _ in range(4):  # the sodium of the liquid goes as 10^-pH (albite, K-feldspar, muscovite)
        record = solve(program, reservoir_case(t, ph, carbonate))
        ph += math.log10(record["totals"]["Na+"]["moles"] / SODIUM_TARGET)
    return solve(program, reservoir_case(t, ph, carbonate)), ph


def sampled_case(record, t, ph, y, f):
    totals = {name: record["totals"][name]["moles"] for _, name in COMPONENTS}
    lost = f * totals["HCO3-"]
    totals["HCO3-"] -= lost
    totals["H+"] -= lost
    text = (f"Synthetic geothermal water: liquid of {t:.0f} C (pH {ph:.3f}) boiled, y = {y:.2f},\n"
            f"{100 * f:.0f} % of its CO2 lost, Al not analysed; sampled at 100 C\n")
    text += HEAD.format(ph=0.0, t=100.0, chbal=0)
    for number, name in COMPONENTS:
        if name == "H2O":
            text += component_line(number, name, 1.0, 1.0)
        elif name == "Al+++":
            text += component_line(number, name, 1e-12, 1e-20)
        else:
            total = totals[name] / (1.0 - y)
            text += component_line(number, name, total, max(total / 2, 1e-12) if name != "H+" else 1e-7)
    return text + "    0\nForced minerals: name, IEQ, log(Q/K)\n"


def main():
    program = str(pathlib.Path(sys.argv[1]).resolve())
    for t, carbonate, y, f in FLUIDS:
        record, ph = reservoir(program, t, carbonate)
        (HERE / f"fluid-{t:.0f}.DAT").write_text(sampled_case(record, t, ph, y, f))
        print(f"fluid-{t:.0f}.DAT: pH {ph:.3f} at {t:.0f} C, Na {record['totals']['Na+']['moles']:.4f} mol, "
              f"y {y}, CO2 lost {f}, CO2 added back should be {f * carbonate:.4f} mol/kgw")


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Geothermometry on synthetic discharges whose reservoir is known.

Each reservoir liquid is computed by wqspec itself at a temperature between
180 and 300 C that lies off the sweep's grid (187.3, 204.9, ... C), held in
equilibrium with quartz, albite, K-feldspar, muscovite, calcite and
clinochlore by forced minerals (they fix SiO2, Na+, Al+++, K+, Ca++ and
Mg++), its pH chosen so that it holds about 0.08 mol/kg of sodium and its
chloride balancing the charge. It is then sampled as a well samples it:
  - boiled adiabatically from its temperature to 100 C, the steam fraction by
    the energy balance with the IAPWS-IF97 enthalpies of python3-iapws (the
    discharge enthalpy is that of the saturated liquid at the reservoir
    temperature: a feed of liquid alone), every total divided by 1 - y;
  - stripped of 80 or 95 % of its CO2 (the totals of HCO3- and H+ less that
    share of the carbonate), which the steam carries at the gas/steam ratio
    f C / (y 55.51) mol/mol;
  - analysed with errors: each measured total (Na, K, Ca, Mg, SiO2, Cl, Al)
    off by a normal error of 3 % (fixed seeds, clipped at 2 sigma), and so
    are the carbonate and the alkalinity (carbonate less the H+ total): an
    error in the carbonate at the H+ total as it is would be an error in the
    small difference of two large numbers, a pH off by tenths;
  - written as a run input at 25 C with its pH computed, with its aluminium
    analysed, or not (then --fix-al K-Feldspar gives it back).

Every case is then estimated by `wqspec sweep` two ways:
  measured  the discharge enthalpy and the CO2/steam ratio given
            (--enthalpy H --separation-temperature 100 --co2-steam R);
  unknown   the steam loss and the CO2 sought (--reconstruct), the printed
            uncertainty checked for the true temperature;
and a few cases again with --from and --step changed, for the estimate's
independence of the grid.

Usage (after a build; a few minutes on two cores):
    /usr/bin/python3 bench/geothermometry.py build/wqspec [--plot FILE.png] [--cases N]
    /usr/bin/python3 bench/geothermometry.py build/wqspec --write-test-fluids tests/data/geothermometry
The first prints the figures of the README's reconstruction section; the
second writes the few fluids the ctest runs.
"""
import argparse
import json
import math
import pathlib
import random
import re
import statistics
import subprocess
import sys
import tempfile

from iapws import IAPWS97

ROOT = pathlib.Path(__file__).resolve().parents[1]
DATABASE = ROOT / "examples" / "LOGKDATA.KDB"
SODIUM_TARGET = 0.08          # mol/kg
MOLES_WATER_PER_KG = 55.50825119018555
SEPARATION_C = 100.0
ANALYTIC_ERROR = 0.03         # relative, one standard deviation
TEMPERATURES = [187.3, 204.9, 228.6, 243.8, 261.1, 276.4, 293.7]
CO2_LOST = [0.80, 0.95]
MINERALS = "Quartz,Albite,low,Muscovite,Calcite,Clinochlore,14A"
SWEEP = ["--from", "150", "--to", "320", "--step", "5"]
# The grids of the independence check: --from shifted by fractions of the step, steps of 1 to 10 C.
GRIDS = [("150", "5"), ("151.3", "5"), ("153.7", "5"), ("150", "1"), ("150.4", "2.5"), ("150", "10"), ("156.1", "10")]

HEAD = """Conv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)
--------------------------------------------------------------------------
 1.0E-9  {ph:.4f}  0.0  0.0  {t:.1f}  0.0  1.0E-10  1.0
l/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt
--------------------------------------------------------------------------

 0 1 0 {chbal} 100 3 0 1 0 0 0
SAQ  species      Mtot (moles in the given kg of water)
-----------------------------------------------------------------------------
"""

COMPONENTS = [(1, "H+"), (2, "H2O"), (3, "Cl-"), (5, "HCO3-"), (9, "Ca++"), (10, "Mg++"),
              (11, "SiO2,aq"), (12, "K+"), (13, "Na+"), (14, "Al+++")]
MEASURED = {"Cl-", "Ca++", "Mg++", "SiO2,aq", "K+", "Na+", "Al+++"}
FORCED = [("Quartz", 11), ("K-Feldspar", 14), ("Muscovite", 12), ("Albite,low", 13),
          ("Calcite", 9), ("Clinochlore,14A", 10)]


def component_line(number, name, total, start):
    return f"{number:5d} {name:<14s}{total:17.10E}{start:19.10E}{1.0:19.10E}\n"


def carbonate_of(t):
    """The reservoir liquid's carbonate, mol/kg: more in the hotter liquids."""
    return 0.01 + 0.0002 * (t - 180.0)


def reservoir_case(t, ph, carbonate):
    text = ("Synthetic reservoir liquid in equilibrium with its alteration assemblage\n"
            f"at {t:.1f} C: quartz, albite, K-feldspar, muscovite, calcite, clinochlore\n")
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


def reservoir(program, t):
    carbonate = carbonate_of(t)
    ph = 6.5
    for _ in range(4):  # the sodium of the liquid goes as 10^-pH (albite, K-feldspar, muscovite)
        record = solve(program, reservoir_case(t, ph, carbonate))
        ph += math.log10(record["totals"]["Na+"]["moles"] / SODIUM_TARGET)
    return solve(program, reservoir_case(t, ph, carbonate)), ph


def discharge(t):
    """The enthalpy of a feed of liquid alone at t (kJ/kg) and its steam fraction at the separation."""
    h = IAPWS97(T=t + 273.15, x=0).h
    liquid = IAPWS97(T=SEPARATION_C + 273.15, x=0).h
    steam = IAPWS97(T=SEPARATION_C + 273.15, x=1).h
    return h, (h - liquid) / (steam - liquid)


def sampled_case(record, t, y, lost, al_given, seed):
    rng = random.Random(seed)
    totals = {name: record["totals"][name]["moles"] for _, name in COMPONENTS}
    co2 = lost * totals["HCO3-"]
    totals["HCO3-"] -= co2
    totals["H+"] -= co2
    text = (f"Synthetic discharge: liquid of {t:.1f} C boiled to {SEPARATION_C:.0f} C (y = {y:.4f}), "
            f"{100 * lost:.0f} % of its CO2 lost,\n"
            f"analysed with 3 % errors (seed {seed}), Al {'analysed' if al_given else 'not analysed'}; at 25 C\n")
    text += HEAD.format(ph=0.0, t=25.0, chbal=0)
    def error():
        return 1.0 + ANALYTIC_ERROR * max(-2.0, min(2.0, rng.gauss(0.0, 1.0)))

    sample = {name: total / (1.0 - y) for name, total in totals.items()}
    alkalinity = sample["HCO3-"] - sample["H+"]
    sample["HCO3-"] *= error()
    sample["H+"] = sample["HCO3-"] - alkalinity * error()
    for number, name in COMPONENTS:
        if name == "H2O":
            text += component_line(number, name, 1.0, 1.0)
            continue
        if name == "Al+++" and not al_given:
            continue
        total = sample[name] * (error() if name in MEASURED else 1.0)
        start = 1e-7 if name == "H+" else 1e-20 if name == "Al+++" else max(total / 2, 1e-12)
        text += component_line(number, name, total, start)
    return text + "    0\nForced minerals: name, IEQ, log(Q/K)\n", co2


def make_cases(program, count=None):
    cases = []
    for t in TEMPERATURES:
        record, ph = reservoir(program, t)
        h, y = discharge(t)
        for lost in CO2_LOST:
            for al_given in (True, False):
                seed = len(cases) + 1
                case, co2 = sampled_case(record, t, y, lost, al_given, seed)
                cases.append({"name": f"t{t:.1f}-co2{lost:.2f}-{'al' if al_given else 'noal'}", "t": t, "lost": lost,
                              "enthalpy": h, "y": y, "co2": co2, "ratio": co2 / (y * MOLES_WATER_PER_KG),
                              "al": al_given, "case": case})
    return cases[:count] if count else cases


def numbers(pattern, text):
    m = re.search(pattern, text)
    return [float(g) for g in m.groups()] if m else None


def sweep(program, case, args):
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        (folder / "WQCASE.DAT").write_text(case["case"])
        (folder / "LOGKDATA.KDB").write_bytes(DATABASE.read_bytes())
        minerals = MINERALS if not case["al"] else MINERALS + ",K-Feldspar"
        al = [] if case["al"] else ["--fix-al", "K-Feldspar"]
        run = subprocess.run([program, "sweep", "--minerals", minerals, *al, *args], cwd=folder,
                             stdin=subprocess.DEVNULL, capture_output=True, text=True)
        table = (folder / "sweep.csv").read_text() if (folder / "sweep.csv").exists() else ""
    best = numbers(r"# reconstruction: median [^\n]*RMS log Q/K smallest at T = ([-0-9.]+) C \(([0-9.]+)\)", table)
    profile = numbers(r"# reconstruction: uncertainty: [^\n]* from ([-0-9.]+) C[^\n]* to ([-0-9.]+) C", table)
    if best is None:
        sys.exit(f"{case['name']}: no estimate (exit {run.returncode})\n{run.stderr}")
    return {"t": best[0], "rms": best[1], "low": profile[0] if profile else None,
            "high": profile[1] if profile else None}


def measured_args(case):
    return ["--enthalpy", f"{case['enthalpy']:.3f}", "--separation-temperature", f"{SEPARATION_C}",
            "--co2-steam", f"{case['ratio']:.6g}"]


def summary(label, errors):
    errors = [abs(e) for e in errors]
    print(f"{label}: median |error| {statistics.median(errors):.2f} C, max {max(errors):.2f} C "
          f"over {len(errors)} cases")


def run_figures(program, cases, plot):
    rows = []
    for case in cases:
        measured = sweep(program, case, SWEEP + measured_args(case))
        unknown = sweep(program, case, SWEEP + ["--reconstruct"])
        rows.append((case, measured, unknown))
        inside = unknown["low"] <= case["t"] <= unknown["high"]
        print(f"{case['name']}: truth {case['t']:.1f} C; measured {measured['t']:.1f} C (RMS {measured['rms']:.3f}); "
              f"unknown {unknown['t']:.1f} C (RMS {unknown['rms']:.3f}), uncertainty {unknown['low']:.1f} to "
              f"{unknown['high']:.1f} C {'holds' if inside else 'misses'} the truth", flush=True)
    summary("enthalpy and CO2/steam given", [m["t"] - c["t"] for c, m, _ in rows])
    summary("steam loss and CO2 sought", [u["t"] - c["t"] for c, _, u in rows])
    held = sum(u["low"] <= c["t"] <= u["high"] for c, _, u in rows)
    widths = [u["high"] - u["low"] for _, _, u in rows]
    print(f"the printed uncertainty holds the truth in {held} of {len(rows)} cases "
          f"(median width {statistics.median(widths):.1f} C)")
    # How much better than the truth the free search fits: the threshold must exceed it.
    excess = [m["rms"] - u["rms"] for _, m, u in rows]
    print(f"the fit with the parameters measured is worse than the free fit by {statistics.median(excess):.3f} "
          f"(median), {max(excess):.3f} (max) in RMS log Q/K")
    grid_check(program, cases)
    if plot:
        draw(rows, plot)


def grid_check(program, cases):
    worst = 0.0
    for case in cases[::max(1, len(cases) // 4)][:4]:
        for mode, extra in (("measured", measured_args(case)), ("unknown", ["--reconstruct"])):
            if mode == "unknown" and case is not cases[0]:
                continue  # one free search per grid is enough to show it; each takes seconds
            found = [sweep(program, case, ["--from", f, "--to", "320", "--step", s] + extra)["t"] for f, s in GRIDS]
            spread = max(found) - min(found)
            worst = max(worst, spread)
            print(f"{case['name']} {mode}: over {len(GRIDS)} grids the estimate spans {spread:.2f} C "
                  f"({min(found):.2f} to {max(found):.2f})", flush=True)
    print(f"the estimate moves by at most {worst:.2f} C with --from and --step")


def draw(rows, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fig, ax = plt.subplots(figsize=(6.4, 5.6))
    lo, hi = 150, 330
    ax.plot([lo, hi], [lo, hi], color="0.6", lw=0.8, zorder=0)
    # The four discharges of a temperature side by side: 80 / 95 % of the CO2 lost, Al analysed or not.
    shift = {(0.80, True): -3.0, (0.80, False): -1.0, (0.95, True): 1.0, (0.95, False): 3.0}
    x = [c["t"] + shift[(c["lost"], c["al"])] for c, _, _ in rows]
    unknown = [u["t"] for _, _, u in rows]
    below = [u["t"] - u["low"] for _, _, u in rows]
    above = [u["high"] - u["t"] for _, _, u in rows]
    ax.errorbar(x, unknown, yerr=[below, above], fmt="o", ms=3.5, color="tab:orange", ecolor="tab:orange",
                elinewidth=0.8, capsize=2, label="steam loss and CO2 sought: estimate and printed uncertainty")
    ax.plot(x, [m["t"] for _, m, _ in rows], "k+", ms=7, label="discharge enthalpy and CO2/steam ratio given")
    ax.set_xlim(lo, hi)
    ax.set_ylim(lo, hi)
    ax.set_xlabel("true reservoir temperature, C (four discharges each, side by side)")
    ax.set_ylabel("reconstructed reservoir temperature, C")
    ax.set_title("Synthetic discharges: boiled to 100 C, 80-95 % of the CO2 lost,\n"
                 "analysed with 3 % errors, with and without Al", fontsize=10)
    ax.legend(loc="upper left", fontsize=8)
    fig.tight_layout()
    fig.savefig(path, dpi=110)


def write_test_fluids(program, folder):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    chosen = {"t204.9-co20.80-noal", "t261.1-co20.95-al", "t293.7-co20.95-noal"}
    for case in make_cases(program):
        if case["name"] not in chosen:
            continue
        (folder / f"{case['name']}.DAT").write_text(case["case"])
        print(f"{case['name']}.DAT: true {case['t']} C, " + " ".join(measured_args(case)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("wqspec")
    parser.add_argument("--plot")
    parser.add_argument("--cases", type=int)
    parser.add_argument("--write-test-fluids")
    args = parser.parse_args()
    program = str(pathlib.Path(args.wqspec).resolve())
    if args.write_test_fluids:
        write_test_fluids(program, args.write_test_fluids)
        return
    run_figures(program, make_cases(program, args.cases), args.plot)


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Gypsum solubility in NaCl solutions by the Pitzer model, against Marshall &
Slusher (1966), drawn.

    examples/gypsum/gypsum.py [--wqspec PROGRAM]      (from the repository top)

For every temperature of the measurements (measured.csv) one `wqspec batch
--activity pitzer` run takes waters of NaCl 0 to 6.2 mol/kg, each with CaSO4
from 0.008 to 0.09 mol/kg in steps of 3 %; the solubility at an NaCl molality
is the CaSO4 molality at which the program's log Q/K of gypsum crosses 0
(linear in ln m between the two waters either side). Writes solubility.csv
(the model's curve) and gypsum-NaCl.png (one panel per temperature: measured points, the model's line) beside
this script.
"""
import argparse
import csv
import json
import math
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(os.path.dirname(HERE))
GRID = [0.0, 0.02, 0.05, 0.1, 0.2, 0.35] + [0.5 + 0.25 * k for k in range(24)] + [6.2]
CASO4 = [0.008 * 1.03 ** k for k in range(82)]  # to 0.0917 mol/kg


def measured():
    """{T: [(m NaCl, m CaSO4), ...]} of measured.csv."""
    rows = [line for line in open(os.path.join(HERE, "measured.csv")) if not line.startswith("#")]
    data = {}
    for r in csv.DictReader(rows):
        data.setdefault(float(r["T_C"]), []).append(
            (float(r["m_NaCl_mol_per_kgH2O"]), float(r["m_CaSO4_mol_per_kgH2O"])))
    return data


def batch_records(program, t, nacl):
    """The JSON records of the waters at t C, NaCl-major."""
    with tempfile.TemporaryDirectory(prefix="wqspec-gypsum-") as folder:
        table = os.path.join(folder, "waters.csv")
        with open(table, "w") as out:
            out.write("name,T [C],Na+ [mol/kgw],Cl- [mol/kgw],Ca++ [mol/kgw],SO4-- [mol/kgw]\n")
            for n in nacl:
                for s in CASO4:
                    out.write(f"{n:g}/{s:.6g},{t:g},{n:g},{n:g},{s:.6g},{s:.6g}\n")
        result = os.path.join(folder, "out.json")
        subprocess.run([program, "batch", table, "--case", os.path.join(HERE, "template.DAT"),
                        "--activity", "pitzer", "--out", result, "--jobs", "2"], check=True)
        return json.load(open(result))


def crossing(si):
    """The CaSO4 molality where log Q/K (one value per CASO4) crosses 0."""
    for k in range(1, len(si)):
        if si[k - 1] < 0.0 <= si[k]:
            a, b = math.log(CASO4[k - 1]), math.log(CASO4[k])
            return math.exp(a + (b - a) * -si[k - 1] / (si[k] - si[k - 1]))
    return float("nan")


def model_curve(program, t, nacl):
    """[(m NaCl, model's m CaSO4), ...] at t C, at each NaCl molality of nacl."""
    records = batch_records(program, t, nacl)
    curve = []
    for i, n in enumerate(nacl):
        part = records[i * len(CASO4):(i + 1) * len(CASO4)]
        if any(not w["status"].startswith("converged") for w in part):
            sys.exit(f"gypsum.py: a water at {t:g} C, NaCl {n:g} mol/kg did not converge")
        curve.append((n, crossing([w["minerals"]["Gypsum"]["SI"] for w in part])))
    return curve


def draw(data, curves, path):
    """One panel per temperature: the model's line with a band of 5 % about
    it, the measured points."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fig, axes = plt.subplots(2, 3, figsize=(10.5, 6.2), sharex=True, sharey=True)
    for ax, (t, curve) in zip(axes.flat, sorted(curves.items())):
        n = [x for x, _ in curve]
        s = [y for _, y in curve]
        ax.fill_between(n, [0.95 * y for y in s], [1.05 * y for y in s], color="tab:blue", alpha=0.15, lw=0,
                        label="model \u00b1 5 %")
        ax.plot(n, s, color="tab:blue", lw=1.6, label="wqspec, Pitzer model")
        ax.plot([x for x, _ in data[t]], [y for _, y in data[t]], "o", color="black", ms=4, mfc="none",
                label="measured (Marshall & Slusher 1966)")
        ax.set_title(f"{t:g} \u00b0C", fontsize=10)
        ax.grid(alpha=0.3)
        ax.set_xlim(0, 6.5)
        ax.set_ylim(0, 0.07)
    for ax in axes[1]:
        ax.set_xlabel("NaCl (mol/kg H$_2$O)")
    for ax in axes[:, 0]:
        ax.set_ylabel("CaSO$_4$ at gypsum saturation\n(mol/kg H$_2$O)")
    axes[1][2].legend(fontsize=8, loc="lower right")
    fig.suptitle("Gypsum solubility in NaCl solutions", fontsize=12)
    fig.tight_layout()
    fig.savefig(path, dpi=100)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--wqspec", default=os.environ.get("WQSPEC", os.path.join(TOP, "build/release/wqspec")))
    program = parser.parse_args().wqspec
    data = measured()
    curves = {}
    with open(os.path.join(HERE, "solubility.csv"), "w") as out:
        out.write("# wqspec batch --activity pitzer: CaSO4 (mol/kgw) where log Q/K of gypsum = 0;\n"
                  "# measured: Marshall & Slusher (1966) as in measured.csv (blank off the measured molalities)\n")
        out.write("T_C,m_NaCl_mol_per_kgH2O,m_CaSO4_model,m_CaSO4_measured,model_minus_measured_percent\n")
        for t in sorted(data):
            at = dict(data[t])
            curves[t] = model_curve(program, t, sorted(set(GRID) | set(at)))
            for n, s in curves[t]:
                if n in at:
                    out.write(f"{t:g},{n:g},{s:.5f},{at[n]:g},{100 * (s - at[n]) / at[n]:+.1f}\n")
                else:
                    out.write(f"{t:g},{n:g},{s:.5f},,\n")
    draw(data, curves, os.path.join(HERE, "gypsum-NaCl.png"))


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Reference speciation of one water on the LLNL data set (B-dot model), to
set beside wqspec's results on the same data.

    /usr/bin/python3 tools/llnl_reference.py WATER.json --temp 25 [-o OUT.csv]
                     [--thermo DIR]

WATER.json: {"name": "...", "pH": 3.0, "totals": {"Ca+2": 4.0e-3, ...}}, the
totals in mol/kg water per basis species of the data set (LLNL names: Ca+2,
SO4-2, HCO3- for total carbonate, HS- for total sulfide, Fe+2 and Fe+3 apart).

The output is one long csv, `section,name,quantity,value`:
  solution  temperature_C, pH, ionic_strength, water_activity,
            charge_balance_eq_per_kg, iterations
  total     the given totals (mol/kg)
  species   molality, log_gamma, log_activity, fraction_of:<component>
            (the share of that component's total the species holds);
            outside_fit = 1 where T lies outside its log K fit's range
  phase     log_k (dissolution, as the data set writes it), log_iap, si;
            outside_fit = 1 where T lies outside the fit's stated range
Defaults: the data directory ../shared/thermo from the repository root.
"""

import argparse
import csv
import json
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from llnlref import speciate, thermo  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FRACTION_FLOOR = 1e-6   # shares below this are left out of the table


def read_water(path):
    try:
        with open(path, encoding="utf-8") as f:
            water = json.load(f)
    except (OSError, ValueError) as e:
        raise thermo.DataError("cannot read the water %s: %s" % (path, e))
    if not isinstance(water, dict) or not isinstance(water.get("totals"), dict):
        raise thermo.DataError("%s: needs an object with \"pH\" and \"totals\"" % path)
    try:
        ph = float(water["pH"])
        totals = {str(k): float(v) for k, v in water["totals"].items()}
    except (KeyError, TypeError, ValueError) as e:
        raise thermo.DataError("%s: pH and every total must be numbers (%s)" % (path, e))
    return water.get("name", os.path.basename(path)), ph, totals


def rows_of(result):
    s = result.system
    yield "solution", "", "temperature_C", result.t_c
    yield "solution", "", "pH", result.ph
    yield "solution", "", "ionic_strength", result.ionic_strength
    yield "solution", "", "water_activity", result.a_w
    yield "solution", "", "charge_balance_eq_per_kg", result.charge_balance
    yield "solution", "", "iterations", result.iterations
    for c, total in zip(s.components, s.totals):
        yield "total", c, "molality", total
    fractions = result.fractions()
    for r, name in enumerate(s.names):
        yield "species", name, "molality", result.molality[r]
        yield "species", name, "log_gamma", result.log_gamma[r]
        yield "species", name, "log_activity", result.log_m[r] + result.log_gamma[r]
        e = s.entities[r]
        if e is not None and e.outside_fit(result.t_c):
            yield "species", name, "outside_fit", 1
        for k, c in enumerate(s.components):
            if fractions[r, k] >= FRACTION_FLOOR:
                yield "species", name, "fraction_of:" + c, fractions[r, k]
    for phase, log_k, log_iap, si in result.saturation():
        yield "phase", phase.name, "log_k", log_k
        yield "phase", phase.name, "log_iap", log_iap
        yield "phase", phase.name, "si", si
        if phase.outside_fit(result.t_c):
            yield "phase", phase.name, "outside_fit", 1


def write_csv(result, out):
    w = csv.writer(out, lineterminator="\n")
    w.writerow(["section", "name", "quantity", "value"])
    for section, name, quantity, value in rows_of(result):
        text = "%d" % value if isinstance(value, int) else "%.10g" % value
        w.writerow([section, name, quantity, text])


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("water", help="water file (JSON)")
    ap.add_argument("--temp", type=float, required=True, help="temperature, C (0.01-300)")
    ap.add_argument("-o", "--output", help="csv to write (default: standard output)")
    ap.add_argument("--thermo", default=os.path.join(REPO, "..", "shared", "thermo"),
                    help="directory of llnl_logk.csv and data0.shv")
    args = ap.parse_args(argv)
    try:
        name, ph, totals = read_water(args.water)
        if not math.isfinite(args.temp):
            raise thermo.DataError("the temperature must be a number")
        db = thermo.Database(os.path.normpath(args.thermo))
        result = speciate.solve(speciate.System(db, totals), ph, args.temp)
    except (thermo.DataError, speciate.SolveError, ValueError, OSError) as e:
        print("llnl_reference: %s" % e, file=sys.stderr)
        return 1
    if args.output:
        with open(args.output, "w", newline="", encoding="utf-8") as out:
            write_csv(result, out)
        print("%s at %g C: I = %.5g, written to %s"
              % (name, args.temp, result.ionic_strength, args.output))
    else:
        write_csv(result, sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main())

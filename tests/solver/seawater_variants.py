#!/usr/bin/python3
"""Variants of seawater for the charge balance on Cl-.

The seawater test composition of Nordstrom et al. (1979, in Jenne (ed.),
Chemical Modeling in Aqueous Systems, ACS Symposium Series 93, 857-892), in
mg/kg, with Ca and Na each scaled by a factor drawn from 0.7 to 1.3, Cl scaled
as Na and by a further factor from 0.9 to 1.1, the alkalinity by one from 0.5
to 1.5, a temperature from 20 to 90 C and a pH from 7.5 to 8.5, all uniform,
from Python's random generator with a fixed seed. The batch template
(seawater-variants/WQCASE.DAT) balances the charge on Cl-.

    seawater_variants.py table COUNT [SEED]     the table, CSV, on standard output
    seawater_variants.py check WQSPEC LOGKDATA.KDB COUNT [SEED]

`check` runs `wqspec batch` on the first COUNT variants and fails unless every
water converges; it tells how many the joint solve found.
"""
import csv
import io
import os
import random
import subprocess
import sys
import tempfile

SEED = 21
# mg/kg of the test composition; alkalinity in mg/kg as HCO3.
SEAWATER = {'Na+': 10768.0, 'K+': 399.1, 'Ca++': 412.3, 'Mg++': 1291.8, 'Fe+++': 0.002, 'Mn++': 0.0002,
            'Cl-': 19353.0, 'SO4--': 2712.0, 'SiO2,aq': 4.28}
ALKALINITY = 141.682
TEMPLATE = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'seawater-variants', 'WQCASE.DAT')


def table(count, seed=SEED):
    rng = random.Random(seed)
    out = io.StringIO()
    writer = csv.writer(out, lineterminator='\n')
    writer.writerow(['name', 'T [C]', 'pH'] + [f'{name} [mg/kg]' for name in SEAWATER] +
                    ['alkalinity [mg/kg as HCO3]'])
    for k in range(count):
        calcium, sodium = rng.uniform(0.7, 1.3), rng.uniform(0.7, 1.3)
        chloride = sodium * rng.uniform(0.9, 1.1)
        alkalinity = rng.uniform(0.5, 1.5)
        temperature, ph = rng.uniform(20.0, 90.0), rng.uniform(7.5, 8.5)
        factor = {'Ca++': calcium, 'Na+': sodium, 'Cl-': chloride}
        writer.writerow([f'sw{k + 1:05d}', f'{temperature:.3f}', f'{ph:.4f}'] +
                        [f'{SEAWATER[name] * factor.get(name, 1.0):.6g}' for name in SEAWATER] +
                        [f'{ALKALINITY * alkalinity:.6g}'])
    return out.getvalue()


def check(program, database, count, seed=SEED):
    with tempfile.TemporaryDirectory(prefix='wqspec-seawater-variants-') as work:
        waters = os.path.join(work, 'waters.csv')
        with open(waters, 'w') as f:
            f.write(table(count, seed))
        results = os.path.join(work, 'out.csv')
        run = subprocess.run([program, 'batch', waters, '--case', TEMPLATE, '--db', database, '--out', results],
                             capture_output=True, encoding='latin-1')
        rows = list(csv.DictReader(open(results, encoding='utf-8')))
    statuses = {}
    for row in rows:
        statuses[row['status']] = statuses.get(row['status'], 0) + 1
    print(f'{len(rows)} waters (seed {seed}): ' + ', '.join(f'{n} {s}' for s, n in sorted(statuses.items())))
    failed = [row['name'] + ': ' + row['status'] for row in rows if not row['status'].startswith('converged')]
    for line in failed:
        print('  ' + line)
    return run.returncode == 0 and len(rows) == count and not failed


def main(argv):
    if len(argv) >= 3 and argv[1] == 'table':
        sys.stdout.write(table(int(argv[2]), int(argv[3]) if len(argv) > 3 else SEED))
        return 0
    if len(argv) >= 5 and argv[1] == 'check':
        ok = check(os.path.abspath(argv[2]), os.path.abspath(argv[3]), int(argv[4]),
                   int(argv[5]) if len(argv) > 5 else SEED)
        return 0 if ok else 1
    print(__doc__)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))

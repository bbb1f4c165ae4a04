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
    seawater_variants.py starts WQSPEC LOGKDATA.KDB COUNT [SEED]
    seawater_variants.py compare COLD.csv WARM.csv [TOLERANCE]

`check` runs `wqspec batch` on the first COUNT variants and fails unless every
water converges; it tells how many the joint solve found.

`starts` runs the batch (every column) on COUNT variants cold (--cold-start)
and warm, warm again on two threads, and warm on the table shuffled, and fails
unless the warm records are the cold ones (`compare`), and the runs on one and
two threads byte for byte the same, and unless the warm start, settled on each
water before its first loop, takes at most WARM_LOOPS_MOST loops on average
(cold: about 13.5; started as it was found, without settling: 7.5;
settled on its mass balances alone: 5.5).
`compare` says where two record files
differ beyond what the convergence tolerance allows: a start changes the path
of the Newton loops, not the equations, so every value of one water agrees
within the tolerance the loops stop at (the template's 1e-9: each balance is
met to 1e-9 of its total, so every molality, log and index moves by less), the
loop counts aside.
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
WARM_LOOPS_MOST = 5.3
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


# The template's convergence factor, and what a value may move within it.
TOLERANCE = 1e-9
# What the start changes: how many loops it took.
PATH_COLUMNS = {'loops'}
# The activity coefficients are those the last loop refreshed before its
# step, of a state the test holds to the tolerance of each total, not of each
# species: a minor species (CO2,aq, 1e-5 mol/kg beside 2e-3 of carbonate) is
# held to the tolerance times its total over its molality, a hundred times the
# tolerance and more; its molality is its activity over that coefficient. The
# activity model's other values of that refresh (the stoichiometric ionic
# strength, the totals over a mass of water the water balance holds to the
# tolerance of its 55.5 mol; the water's activity and osmotic coefficient)
# are of the same state.
GAMMA_FACTOR = 100.0
LOOP_BEFORE = ('gamma(', 'log_m(', 'I stoichiometric', 'a(H2O)', 'osmotic coefficient')


def within(column, a, b, tolerance):
    """Two cells of one record the same, or numbers within the tolerance of
    the larger, or of 1 (a log, an index or a percentage near 0)."""
    if a == b:
        return True
    try:
        x, y = float(a), float(b)
    except ValueError:
        return False
    if column.startswith(LOOP_BEFORE):
        tolerance *= GAMMA_FACTOR
    return abs(x - y) <= tolerance * max(1.0, abs(x), abs(y))


def differences(cold_rows, warm_rows, tolerance=TOLERANCE):
    """The cells of the records (by water name) beyond the tolerance, and the
    largest difference of the others but the coefficients and molalities, relative as
    `within` takes it."""
    warm = {row['name']: row for row in warm_rows}
    beyond, largest = [], 0.0
    if len(warm) != len(cold_rows):
        beyond.append(f'{len(cold_rows)} records and {len(warm)}')
    for row in cold_rows:
        other = warm.get(row['name'])
        if other is None:
            beyond.append(f'{row["name"]}: missing')
            continue
        for column, value in row.items():
            if column in PATH_COLUMNS or value == other.get(column):
                continue
            if not within(column, value, other.get(column, ''), tolerance):
                beyond.append(f'{row["name"]} {column}: {value} and {other.get(column)}')
                continue
            if not column.startswith(LOOP_BEFORE):
                x, y = float(value), float(other[column])
                largest = max(largest, abs(x - y) / max(1.0, abs(x), abs(y)))
    return beyond, largest


def read_rows(path):
    with open(path, encoding='utf-8') as f:
        return list(csv.DictReader(f))


def compare(cold, warm, tolerance=TOLERANCE):
    beyond, largest = differences(read_rows(cold), read_rows(warm), tolerance)
    for line in beyond[:20]:
        print('  ' + line)
    print(f'{len(beyond)} cells beyond {tolerance:g} (coefficients and molalities {tolerance * GAMMA_FACTOR:g}); '
          f'the largest difference of the others {largest:.3g}')
    return not beyond


def starts(program, database, count, seed=SEED):
    text = table(count, seed)
    head, *rows = text.splitlines(keepends=True)
    random.Random(seed + 1).shuffle(rows)
    with tempfile.TemporaryDirectory(prefix='wqspec-warm-starts-') as work:
        def batch(name, waters, *options):
            path = os.path.join(work, name + '.in.csv')
            with open(path, 'w') as f:
                f.write(waters)
            out = os.path.join(work, name + '.csv')
            subprocess.run([program, 'batch', path, '--case', TEMPLATE, '--db', database, '--out', out, '--all',
                            *options], capture_output=True, check=False)
            with open(out, 'rb') as f:
                return f.read()
        cold = batch('cold', text, '--cold-start', '--jobs', '1')
        warm = batch('warm', text, '--jobs', '1')
        same = (batch('two', text, '--jobs', '2') == warm and batch('again', text, '--jobs', '2') == warm)
        batch('shuffled', head + ''.join(rows), '--jobs', '2')
        print(f'{count} waters: warm on one and two threads ' + ('the same' if same else 'DIFFER'))
        ok = compare(os.path.join(work, 'cold.csv'), os.path.join(work, 'warm.csv'))
        ok = compare(os.path.join(work, 'warm.csv'), os.path.join(work, 'shuffled.csv')) and ok
        loops = [sum(int(r['loops']) for r in read_rows(os.path.join(work, n + '.csv'))) / count
                 for n in ('cold', 'warm', 'shuffled')]
        print('mean loops per water: cold %.2f, warm %.2f, warm on the table shuffled %.2f' % tuple(loops))
        settled = max(loops[1:]) <= WARM_LOOPS_MOST
        if not settled:
            print(f'a warm start takes more than {WARM_LOOPS_MOST} loops on average')
        return same and ok and settled and len(read_rows(os.path.join(work, 'cold.csv'))) == count


def main(argv):
    if len(argv) >= 3 and argv[1] == 'table':
        sys.stdout.write(table(int(argv[2]), int(argv[3]) if len(argv) > 3 else SEED))
        return 0
    if len(argv) >= 5 and argv[1] == 'check':
        ok = check(os.path.abspath(argv[2]), os.path.abspath(argv[3]), int(argv[4]),
                   int(argv[5]) if len(argv) > 5 else SEED)
        return 0 if ok else 1
    if len(argv) >= 5 and argv[1] == 'starts':
        ok = starts(os.path.abspath(argv[2]), os.path.abspath(argv[3]), int(argv[4]),
                    int(argv[5]) if len(argv) > 5 else SEED)
        return 0 if ok else 1
    if len(argv) >= 4 and argv[1] == 'compare':
        return 0 if compare(argv[2], argv[3], float(argv[4]) if len(argv) > 4 else TOLERANCE) else 1
    print(__doc__)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv))

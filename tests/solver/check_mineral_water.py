#!/usr/bin/python3
"""An independent solution of waters held by forced minerals, checked against
the program.

Each case is a saturation run whose run input (WQCASE.DAT) gives the totals of
its components, the pH computed from electroneutrality (charge balance on H+)
and forced minerals that fix some totals. The program runs it (with
--results), then this script solves the equations that define the water with
its own Newton method:

  mass action     log m_s = -log K_s - log gamma_s + sum_j nu_sj log a_j
  mass balance    kgw (m_i + sum_s nu_si m_s) = Mtot(i)          (given totals)
                  kgw (55.50825 + sum_s nu_s,H2O m_s) = Mtot(H2O)
  minerals        sum_k nu_k log a_k - log K = log(Q/K) as given
  electroneutr.   m(H+) + sum_s z_s m_s = 0

with the reactions and log K values of the aqueous species and minerals read
from the database file at the run's temperature (a node of the database's
grid on the saturation curve, so that no interpolation enters) and the
activity coefficients and the activity of water of the program's record (the
same activity model's values, 17 digits). It compares the pH (-log a(H+)) and
the totals of Na+, K+, SiO2,aq and Al+++:

  - with the program's record, to 1e-7 (relative) and 1e-7 in pH: the same
    equations, solved twice;
  - with the listing, to its printed digits: 1e-4 in pH (log a is printed
    with four decimals) and 1e-4 relative in a total (four significant
    digits).

    check_mineral_water.py WQSPEC LOGKDATA.KDB CASE_DIR...

Exit status 0 when every case agrees; the numbers are printed either way.
"""
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile

RECORD_TOLERANCE = 1e-7
LISTED_PH_TOLERANCE = 1e-4
LISTED_TOTAL_TOLERANCE = 1e-4
WATER_MOLES_PER_KG = 55.50825119018555
ABSENT = 99999.0
CHECKED = ('Na+', 'K+', 'SiO2,aq', 'Al+++')

# The database's grids: pressures (bar) of the rows and temperatures (deg C)
# of the columns of a full table, temperatures of a short table; on the
# saturation curve a full table is read at 1 bar up to 100 C, above it at the
# saturation pressure, which is a row of the grid every 25 C.
PRESSURES = [1, 1.0133, 2.321, 4.758, 8.919, 15.537, 25.479, 39.737, 59.432, 85.839, 120.458, 165.212] + \
    [200 + 50 * k for k in range(17)] + [1000 + 500 * k for k in range(1, 9)]
TEMPERATURES = [0.01] + [25 * k for k in range(1, 15)] + [400 + 10 * k for k in range(21)]
SHORT_TEMPERATURES = [25, 50, 100, 150, 200, 250, 300, 350]
SATURATION_ROW = {100: 1, 125: 2, 150: 3, 175: 4, 200: 5, 225: 6, 250: 7, 275: 8, 300: 9, 325: 10, 350: 11}


def read_case(path):
    """Temperature; the components (database number: total) in run order;
    the charge-balance number; the forced minerals (name, number, target)."""
    lines = open(path, encoding='latin-1').read().split('\n')
    temperature = float(lines[4].replace(',', ' ').split()[4])
    charge_balance = int(lines[8].split()[5])
    totals = {}
    k = 11
    while lines[k][:5].strip() not in ('', '0'):
        totals[int(lines[k][:5])] = float(lines[k][18:37])
        k += 1
    forced = []
    for line in lines[k + 2:]:
        if not line[:20].strip():
            break
        forced.append((line[:20].rstrip(), int(line[22:26]), float(line[26:36])))
    return temperature, totals, charge_balance, forced


def log_k_at(lines, k, full, temperature):
    """log K of the table at line k at the temperature on the saturation
    curve, and the line after the table."""
    if full:
        row = SATURATION_ROW[temperature] if temperature >= 100 else 0
        return float(lines[k + row].split()[TEMPERATURES.index(temperature)]), k + len(PRESSURES)
    return float(lines[k].split()[SHORT_TEMPERATURES.index(temperature)]), k + 1


def read_database(path, temperature):
    """Components (number: name, charge), the aqueous species (name, charge,
    terms, log K) that are not suppressed and have data, the minerals (name:
    terms, log K); terms are (coefficient, database number)."""
    lines = open(path, encoding='latin-1').read().split('\n')
    k = next(i for i, line in enumerate(lines) if line.startswith('********'))
    k = next(i for i in range(k, len(lines)) if lines[i].startswith('H+      '))
    components = {}
    while lines[k][:8].strip():
        components[len(components) + 1] = (lines[k][:20].rstrip(), float(lines[k][20:22]))
        k += 1
    k += 1  # the line that ends them
    species = []
    while lines[k + 1][:20].strip():  # a separator line, then the name line
        name_line, reaction = lines[k + 1], lines[k + 3]
        terms = [(float(reaction[3 + 12 * t:13 + 12 * t]), int(reaction[13 + 12 * t:15 + 12 * t]))
                 for t in range(int(reaction[:2]))]
        charge = float(lines[k + 2][8:11])
        log_k, k = log_k_at(lines, k + 4, name_line[90:94] == 'All ', temperature)
        if not name_line[80:84].strip() and log_k < ABSENT:
            species.append((name_line[:20].rstrip(), charge, terms, log_k))
    k += 2 + 11  # the end record, then eleven free lines
    minerals = {}
    while lines[k + 1][:20].strip():  # a free line, then the header
        header, reaction = lines[k + 1], lines[k + 3]
        terms = [(float(reaction[3 + 12 * t:12 + 12 * t]), int(reaction[12 + 12 * t:15 + 12 * t]))
                 for t in range(int(reaction[:3]))]
        extra = 1 if header[66:68].strip() == '6' else 0
        log_k, k = log_k_at(lines, k + 4 + extra, header[90:94] == 'All ', temperature)
        minerals[header[:20].rstrip()] = (terms, log_k)
    return components, species, minerals


def read_listing(path):
    """log a(H+) and the total moles of each component, as printed in the
    last result block."""
    text = open(path, encoding='latin-1').read()
    species_table = text[text.rfind('Species         Molality      Log(m)'):]
    log_a_h = float(next(line for line in species_table.split('\n') if line[5:17].rstrip() == 'H+')[55:65])
    totals_table = text[text.rfind('Species          Molality     Tot Moles'):]
    totals = {}
    for line in totals_table.split('\n')[2:]:
        if not line[1:4].strip().isdigit():
            break
        totals[line[5:17].rstrip()] = float(line[31:43])
    return log_a_h, totals


class Water:
    """The equations of the case, with the activity coefficients and the
    activity of water of the program's record."""

    def __init__(self, case, database, record):
        temperature, totals, self.charge_balance, forced = read_case(case)
        components, species, minerals = read_database(database, temperature)
        self.numbers = list(totals)
        self.position = {n: i for i, n in enumerate(self.numbers)}
        self.names = [components[n][0] for n in self.numbers]
        self.charges = [components[n][1] for n in self.numbers]
        self.given = [totals[n] * (WATER_MOLES_PER_KG if n == 2 else 1.0) for n in self.numbers]
        self.species = [(name, z, [(c, self.position[n]) for c, n in terms], log_k)
                        for name, z, terms, log_k in species if all(n in self.position for _, n in terms)]
        self.forced = {self.position[number]: ([(c, self.position[n]) for c, n in minerals[name][0]],
                                               minerals[name][1], target)
                       for name, number, target in forced}
        self.gamma = {name: values['gamma'] for name, values in record['species'].items()}
        self.log_water = math.log10(record['a_H2O'])
        missing = sorted(set(record['species']) - {s[0] for s in self.species} - set(self.names))
        if missing:
            raise SystemExit(f'species of the program not found in the database: {missing}')

    def log_activity(self, i, m):
        return self.log_water if i == 1 else math.log10(m[i] * self.gamma[self.names[i]])

    def secondary(self, m):
        return [10.0 ** (-log_k - math.log10(self.gamma.get(name, 1.0)) +
                         sum(c * self.log_activity(i, m) for c, i in terms))
                for name, z, terms, log_k in self.species]

    def held(self, i, m, ms):
        """kgw (m_i + sum_s nu_si m_s), the first term of s naming i."""
        free = WATER_MOLES_PER_KG if i == 1 else m[i]
        counted = sum(next(c for c, j in terms if j == i) * x
                      for (name, z, terms, log_k), x in zip(self.species, ms) if any(j == i for _, j in terms))
        return m[1] * (free + counted)

    def residuals(self, x):
        m = [math.exp(v) for v in x]  # m[1] holds kgw
        ms = self.secondary(m)
        r = []
        for i in range(len(m)):
            if i in self.forced:
                terms, log_k, target = self.forced[i]
                r.append(sum(c * self.log_activity(j, m) for c, j in terms) - log_k - target)
            elif self.numbers[i] == self.charge_balance:
                charges = [m[0]] + [self.charges[j] * m[j] for j in range(2, len(m))] + \
                    [s[1] * x for s, x in zip(self.species, ms)]
                r.append(math.log(sum(q for q in charges if q > 0) / -sum(q for q in charges if q < 0)))
            else:
                r.append(self.held(i, m, ms) / self.given[i] - 1.0)
        return r

    def solve(self):
        """Newton's method, numerical Jacobian, halving of the step; from pH 7,
        1 kg of water and the given totals as free molalities."""
        x = [math.log(1e-7), 0.0] + [math.log(max(self.given[i], 1e-12)) for i in range(2, len(self.numbers))]
        for _ in range(300):
            r = self.residuals(x)
            norm = max(abs(v) for v in r)
            if norm < 1e-13:
                return x
            jacobian = []
            for j in range(len(x)):
                shifted = list(x)
                shifted[j] += 1e-7
                jacobian.append([(a - b) / 1e-7 for a, b in zip(self.residuals(shifted), r)])
            step = solve_linear([list(row) for row in zip(*jacobian)], [-v for v in r])
            scale = min(1.0, 2.0 / max(abs(v) for v in step))
            for _ in range(40):
                trial = [a + scale * b for a, b in zip(x, step)]
                try:
                    if max(abs(v) for v in self.residuals(trial)) < norm:
                        break
                except (OverflowError, ValueError, ZeroDivisionError):
                    pass
                scale /= 2.0
            x = trial
        raise SystemExit('this script found no solution')

    def result(self, x):
        m = [math.exp(v) for v in x]
        ms = self.secondary(m)
        return -math.log10(m[0] * self.gamma['H+']), {self.names[i]: self.held(i, m, ms) for i in range(2, len(m))}


def solve_linear(a, b):
    """Gaussian elimination with partial pivoting."""
    n = len(b)
    rows = [row + [b[i]] for i, row in enumerate(a)]
    for k in range(n):
        p = max(range(k, n), key=lambda i: abs(rows[i][k]))
        rows[k], rows[p] = rows[p], rows[k]
        for i in range(k + 1, n):
            f = rows[i][k] / rows[k][k]
            for j in range(k, n + 1):
                rows[i][j] -= f * rows[k][j]
    x = [0.0] * n
    for i in reversed(range(n)):
        x[i] = (rows[i][n] - sum(rows[i][j] * x[j] for j in range(i + 1, n))) / rows[i][i]
    return x


def check(program, database, case_dir):
    work = tempfile.mkdtemp(prefix='wqspec-mineral-water-')
    try:
        shutil.copy(os.path.join(case_dir, 'WQCASE.DAT'), work)
        shutil.copy(database, os.path.join(work, 'LOGKDATA.KDB'))
        run = subprocess.run([program, '--results', 'record.json'], cwd=work, stdin=subprocess.DEVNULL,
                             capture_output=True, encoding='latin-1')
        if run.returncode != 0:
            print(f'{case_dir}: the program failed: {run.stderr.strip()}')
            return False
        record = json.load(open(os.path.join(work, 'record.json')))[0]
        water = Water(os.path.join(work, 'WQCASE.DAT'), database, record)
        ph, totals = water.result(water.solve())
        log_a_h, listed = read_listing(os.path.join(work, 'WQLIST.DAT'))
    finally:
        shutil.rmtree(work)
    print(f'{os.path.basename(case_dir)}: {record["status"]}, {record["loops"]} loops, '
          f'{record["joint_loops"]} of the joint solve')
    ok = abs(ph - record['pH']) <= RECORD_TOLERANCE and abs(ph + log_a_h) <= LISTED_PH_TOLERANCE
    print(f'  pH        this script {ph:.7f}  the record {record["pH"]:.7f}  the listing {-log_a_h:.4f}')
    for name in CHECKED:
        if name not in totals:
            continue
        mine, recorded, printed = totals[name], record['totals'][name]['moles'], listed[name]
        agree = abs(mine - recorded) <= RECORD_TOLERANCE * abs(recorded) and \
            abs(mine - printed) <= LISTED_TOTAL_TOLERANCE * abs(printed)
        ok = ok and agree
        print(f'  {name:8s}  this script {mine:.7e}  the record {recorded:.7e}  the listing {printed:.4e}'
              + ('' if agree else '  DIFFERS'))
    return ok


def main(argv):
    if len(argv) < 4:
        print(__doc__)
        return 2
    program, database = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    results = [check(program, database, case_dir) for case_dir in argv[3:]]
    print('every case agrees' if all(results) else 'SOME CASE DISAGREES')
    return 0 if all(results) else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv))

"""The B-dot activity model of the LLNL data set at one temperature.

Charged species (Helgeson 1969, Am. J. Sci. 267, 729-804):
    log10 gamma = -A z^2 sqrt(I) / (1 + a B sqrt(I)) + Bdot I
with a the ion size in Angstrom. A, B and Bdot are tabulated on data0's grid
(0.01, 25, 60, 100, 150, 200, 250, 300 C) and taken here between its nodes by
the cubic through the four nearest nodes (Lagrange): smooth in T, and it
follows the bend of B-dot above 200 C that one global polynomial through all
eight nodes would turn into wiggles.

CO2(aq) (and H2, O2, which a run without redox never holds) takes Drummond's
(1981) salting-out polynomial (PhD thesis, Pennsylvania State University),
natural-log form, T in K:
    ln gamma = (C1 + C2 T + C3/T) I - (C4 + C5 T) I/(I + 1)
with data0's coefficients. Every other neutral species has gamma = 1.

Water: the osmotic approximation a_w = 1 - 0.017 sum(m_i) over solute species
(Garrels & Christ 1965), whose 0.017 is the molar mass of water in kg/mol
(0.018) with an average osmotic coefficient folded in.
"""

import math

LN10 = math.log(10.0)
KELVIN = 273.15
WATER_FACTOR = 0.017


def cubic_through_nearest(grid, values, t):
    """Lagrange cubic through the four grid nodes nearest t (ends clamped)."""
    if not grid[0] <= t <= grid[-1]:
        raise ValueError("%.2f C lies outside the data's %.2f-%.2f C" % (t, grid[0], grid[-1]))
    upper = next(i for i, g in enumerate(grid) if g >= t)
    first = min(max(upper - 2, 0), len(grid) - 4)
    nodes = range(first, first + 4)
    total = 0.0
    for i in nodes:
        weight = 1.0
        for j in nodes:
            if j != i:
                weight *= (t - grid[j]) / (grid[i] - grid[j])
        total += weight * values[i]
    return total


class BdotModel:
    """A, B, B-dot and the CO2 polynomial at one temperature."""

    def __init__(self, tables, t_c):
        grid = tables.temperatures
        self.t_c = t_c
        self.a = cubic_through_nearest(grid, tables.a, t_c)
        self.b = cubic_through_nearest(grid, tables.b, t_c)
        self.bdot = cubic_through_nearest(grid, tables.bdot, t_c)
        self.co2 = tables.co2

    def log_gamma_ion(self, charge, size, ionic_strength):
        root = math.sqrt(ionic_strength)
        return (-self.a * charge * charge * root / (1.0 + size * self.b * root)
                + self.bdot * ionic_strength)

    def log_gamma_co2(self, ionic_strength):
        c1, c2, c3, c4, c5 = self.co2
        t_k = self.t_c + KELVIN
        i = ionic_strength
        return ((c1 + c2 * t_k + c3 / t_k) * i - (c4 + c5 * t_k) * i / (i + 1.0)) / LN10


def water_activity(solute_molality_sum):
    return 1.0 - WATER_FACTOR * solute_molality_sum

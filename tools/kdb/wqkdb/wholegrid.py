"""Whole-grid tables of entries whose data cover part of the temperatures.

Entries from the LLNL set (fits along the saturation curve over a stated
range, or one value at 25 C) and the Henry constant of methane (data0.shv,
0.01-300 C) carry no pressure term and no data beyond their temperatures.
Their tables nevertheless hold a finite value on every cell of the grid:

  * within the data's temperatures, the data's log K;
  * beyond either end, the van 't Hoff continuation from the end point with
    the enthalpy of reaction there: log K linear in 1/T with the slope
    d log K / d(1/T) = -dH_r / (R ln 10) of the data at the end (for one
    value at 25 C, the dH_r the data set gives, or none: held constant, the
    convention of llnl.dat and pitzer.dat);
  * the same value on every pressure row of a temperature.

The entry's comment names the data's temperatures ("data 0-300 C", "data 25
C"), so that the program can say where a run uses an entry beyond them.
"""

import math

import numpy as np

from . import grids

R_KJ = 8.314462618e-3        # kJ/(mol K)
LN10 = math.log(10.0)


def inverse_t(t_c):
    return 1.0 / (t_c + 273.15)


def vant_hoff_slope(delta_h_kj):
    """d log K / d(1/T) of a reaction enthalpy (kJ/mol)."""
    return -delta_h_kj / (R_KJ * LN10)


def column(known, slope_lo, slope_hi):
    """log K at every grid temperature.  known: {T (C): log K} at the grid
    temperatures within the data; below the lowest and above the highest of
    them, linear in 1/T with slope_lo and slope_hi (d log K / d(1/T))."""
    lo, hi = min(known), max(known)
    out = np.empty(grids.NT)
    for c, t in enumerate(grids.T_GRID):
        if t in known:
            out[c] = known[t]
        elif t < lo:
            out[c] = known[lo] + slope_lo * (inverse_t(t) - inverse_t(lo))
        elif t > hi:
            out[c] = known[hi] + slope_hi * (inverse_t(t) - inverse_t(hi))
        else:
            raise ValueError("no value at %g C within the data" % t)
    return out


def table(col):
    """The 37 x 36 table holding the column on every pressure row."""
    return np.tile(np.asarray(col, dtype=float), (grids.NP, 1))


def slope_at(t_end, temps, values):
    """d value / d(1/T) at t_end of the quadratic in 1/T through the three
    points of (temps, values) nearest t_end."""
    pts = sorted(zip(temps, values), key=lambda p: abs(p[0] - t_end))[:3]
    x = np.array([inverse_t(t) for t, _ in pts])
    c = np.polyfit(x - inverse_t(t_end), [v for _, v in pts], 2)
    return float(c[1])


class Fit5:
    """log K = A1 + A2 T + A3/T + A4 log10 T + A5/T^2 (T in K), the form of
    the LLNL and EQ3/6 data sets, valid from lo to hi (C); evaluated there
    and continued by van 't Hoff beyond."""

    def __init__(self, coeffs, lo, hi):
        self.coeffs = np.asarray(coeffs, dtype=float)
        self.lo, self.hi = float(lo), float(hi)

    @classmethod
    def through(cls, temps_c, logk):
        """The fit by least squares through points (temperatures C, log K)."""
        t = np.asarray(temps_c, dtype=float) + 273.15
        coeffs, *_ = np.linalg.lstsq(cls._basis(t), np.asarray(logk, dtype=float), rcond=None)
        return cls(coeffs, min(temps_c), max(temps_c))

    @staticmethod
    def _basis(t):
        return np.stack([np.ones_like(t), t, 1.0 / t, np.log10(t), 1.0 / t ** 2], axis=-1)

    def fit(self, t_c):
        t = np.asarray(t_c, dtype=float) + 273.15
        return self._basis(t) @ self.coeffs

    def slope(self, t_c):
        """d log K / d(1/T) of the fit at t_c: -T^2 d log K / dT."""
        _, a2, a3, a4, a5 = self.coeffs
        t = t_c + 273.15
        return -t * t * (a2 - a3 / t ** 2 + a4 / (t * LN10) - 2.0 * a5 / t ** 3)

    def __call__(self, t_c):
        """log K at t_c (C; scalar or array), continued beyond lo and hi."""
        t_c = np.asarray(t_c, dtype=float)
        out = self.fit(t_c)
        for end in (self.lo, self.hi):
            beyond = (t_c < end) if end == self.lo else (t_c > end)
            out = np.where(beyond, self.fit(end) + self.slope(end)
                           * (1.0 / (t_c + 273.15) - inverse_t(end)), out)
        return out

    def column(self):
        known = {t: float(self.fit(t)) for t in grids.T_GRID if self.lo <= t <= self.hi}
        return column(known, self.slope(self.lo), self.slope(self.hi))

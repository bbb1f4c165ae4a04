"""The four activity-model tables: Debye-Hueckel A and B, the Born-type
coefficient b_eta and the short-range coefficient b_Na+Cl- of Helgeson,
Kirkham & Flowers (1981).

A and B are computed on the whole grid from the IAPWS-95 density and the
Johnson-Norton (1991) dielectric constant (the same dielectric model as the
Born functions of the HKF equations).  b_eta and b_NaCl are HKF81's
tabulated values, brought onto the grid by interpolation:

* along each HKF81 isotherm, monotone piecewise-cubic (Fritsch-Carlson)
  interpolation in pressure over the cells that hold liquid or dense-fluid
  data (the "1 bar" column is the saturation pressure from 100 C on; the
  steam placeholders that HKF81 repeats at 375 C and above - 1 bar, and from
  400 C also 250 bar - are left out).  Below the lowest valid pressure of a
  supercritical isotherm the two lowest valid points are extended linearly;
* across the isotherms, the same interpolation in temperature; above 500 C,
  the highest HKF81 temperature, each pressure is extended linearly in
  temperature with the 475-500 C slope.

The same region rules as for log K apply (see gridstate): steam cells take
the saturated-liquid cell of their temperature; in the dilute supercritical
region A and B are those of the actual fluid (down to RHO_FLOOR), while
b_eta and b_NaCl keep their values at the density RHO_HKF.

The database stores b_eta and b_NaCl converted for the program, which
divides them back: value3 = b_eta [kg/cal] x 4575.673886150001 x T_K and
value4 = 100 x b_NaCl [kg/mol].
"""

import numpy as np

from . import grids
from . import water
from .gridstate import RHO_FLOOR

B_ETA_FACTOR = 4575.673886150001

HKF81_T = [25.0 * i for i in range(21)]
HKF81_P = [1.0, 250.0, 500.0, 750.0, 1000.0, 1500.0, 2000.0, 3000.0, 4000.0, 5000.0]


def pchip(x, y, xq):
    """Monotone piecewise cubic Hermite interpolation (Fritsch & Carlson
    1980) of the points (x, y) at xq, x ascending, xq inside [x0, xn]."""
    x = np.asarray(x, dtype=float)
    y = np.asarray(y, dtype=float)
    n = len(x)
    if n == 1:
        return float(y[0])
    h = np.diff(x)
    delta = np.diff(y) / h
    d = np.zeros(n)
    if n == 2:
        d[:] = delta[0]
    else:
        for k in range(1, n - 1):
            if delta[k - 1] * delta[k] > 0:
                w1 = 2 * h[k] + h[k - 1]
                w2 = h[k] + 2 * h[k - 1]
                d[k] = (w1 + w2) / (w1 / delta[k - 1] + w2 / delta[k])
        # three-point end slopes, kept shape-preserving
        for k, (hh0, hh1, d0, d1) in ((0, (h[0], h[1], delta[0], delta[1])),
                                      (n - 1, (h[-1], h[-2], delta[-1], delta[-2]))):
            s = ((2 * hh0 + hh1) * d0 - hh0 * d1) / (hh0 + hh1)
            if np.sign(s) != np.sign(d0):
                s = 0.0
            elif np.sign(d0) != np.sign(d1) and abs(s) > abs(3 * d0):
                s = 3 * d0
            d[k] = s
    i = int(np.clip(np.searchsorted(x, xq) - 1, 0, n - 2))
    t = (xq - x[i]) / h[i]
    h00 = (1 + 2 * t) * (1 - t) ** 2
    h10 = t * (1 - t) ** 2
    h01 = t * t * (3 - 2 * t)
    h11 = t * t * (t - 1)
    return float(h00 * y[i] + h10 * h[i] * d[i] + h01 * y[i + 1] + h11 * h[i] * d[i + 1])


class Hkf81Interpolator:
    """b_eta and b_NaCl of HKF81 at any temperature and pressure."""

    def __init__(self, table):
        self.iso = []   # per HKF81 temperature: (pressures, b_eta, b_nacl)
        for t in HKF81_T:
            ps, be, bn = [], [], []
            for p in HKF81_P:
                if p == 1.0 and t >= 375.0:
                    continue           # steam placeholder
                if p == 250.0 and t >= 400.0:
                    continue           # steam placeholder
                v = table[(t, p)]
                pp = p
                if p == 1.0 and t >= 100.0:
                    pp = water.saturation_pressure(t + 273.15)
                ps.append(pp)
                be.append(v[2])
                bn.append(v[3])
            self.iso.append((np.array(ps), np.array(be), np.array(bn)))

    def _along_isotherm(self, k, p):
        ps, be, bn = self.iso[k]
        out = []
        for y in (be, bn):
            if p <= ps[0]:
                if HKF81_T[k] + 273.15 < water.TC:
                    out.append(float(y[0]))
                else:
                    slope = (y[1] - y[0]) / (ps[1] - ps[0])
                    out.append(float(y[0] + slope * (p - ps[0])))
            else:
                out.append(pchip(ps, y, min(p, ps[-1])))
        return out

    def __call__(self, t_c, p):
        vals = np.array([self._along_isotherm(k, p) for k in range(len(HKF81_T))])
        res = []
        for j in range(2):
            y = vals[:, j]
            if t_c <= HKF81_T[-1]:
                res.append(pchip(HKF81_T, y, max(t_c, 0.0)))
            else:
                slope = (y[-1] - y[-2]) / (HKF81_T[-1] - HKF81_T[-2])
                res.append(float(y[-1] + slope * (t_c - HKF81_T[-1])))
        return res


def activity_tables(gw, hkf81_table):
    """The four tables (37 x 36 each) as written to the database: A, B,
    converted b_eta, converted b_NaCl."""
    interp = Hkf81Interpolator(hkf81_table)
    a_tab = np.empty((grids.NP, grids.NT))
    b_tab = np.empty_like(a_tab)
    e_tab = np.empty_like(a_tab)
    n_tab = np.empty_like(a_tab)
    for c, t_c in enumerate(grids.T_GRID):
        t_k = t_c + 273.15
        for r, p in enumerate(grids.P_GRID):
            reg = gw.region[r, c]
            if reg == "S":
                continue
            rho = gw.rho[r, c]
            if reg == "D":
                rho = max(rho, RHO_FLOOR)
                eps = float(water.dielectric_jn91(t_k, rho))
                pb = gw.anchor_pressure(c)
            else:
                eps = gw.eps[r, c]
                pb = p
            a_tab[r, c], b_tab[r, c] = water.debye_huckel_a_b(t_k, rho, eps)
            be, bn = interp(t_c, pb)
            e_tab[r, c] = be * B_ETA_FACTOR * t_k
            n_tab[r, c] = 100.0 * bn
        for tab in (a_tab, b_tab, e_tab, n_tab):
            s = gw.region[:, c] == "S"
            if s.any():
                tab[s, c] = tab[grids.ON_CURVE[c], c]
    return a_tab, b_tab, e_tab, n_tab

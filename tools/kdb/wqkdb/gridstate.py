"""Water on the program's grid, and the rules for cells where the aqueous
equations of state do not apply.

Every cell of the 37 x 36 grid falls in one of three regions:

* "L" (liquid or dense fluid): below the critical temperature at or above
  the saturation pressure, above it at densities of at least RHO_HKF.  The
  grid points that stand for the saturated liquid (1.0133 bar at 100 C,
  ..., 165.212 bar at 350 C) are in this region: they are evaluated as
  liquid at the grid pressure, which lies a few hundredths of a per cent
  below the IAPWS-95 saturation pressure (metastable by that much).
* "S" (steam): below the critical temperature and the saturation pressure.
  Such cells are never used by the program's grid location.  Each takes the
  value of the saturated-liquid cell of the same temperature (the nearest
  liquid cell in pressure), so that the column stays smooth and finite.
* "D" (dilute supercritical fluid): above the critical temperature at
  densities below RHO_HKF = 0.35 g/cm3, the lower density limit of the
  revised HKF equations (Shock et al. 1992; the limit SUPCRT92 applies).
  The program's grid location does reach a few such cells (400-410 C at
  250-300 bar; 530-600 C at 700-900 bar).  There log K is continued
  linearly in log10(density) at constant temperature from the HKF value at
  RHO_HKF, with the slope d log K / d log rho taken between RHO_HKF and
  RHO_SLOPE = 0.45 g/cm3.  This is the density model of ion association
  at supercritical conditions (Marshall & Franck 1981; Mesmer et al. 1988:
  log K = a + b/T + k log rho_w), so the continuation follows the physics
  rather than a flat copy.  Below RHO_FLOOR = 0.10 g/cm3 (gas-like states
  that the program never reaches) the value at RHO_FLOOR is kept.
"""

import math

import numpy as np

from . import grids
from . import water

RHO_HKF = 0.35
RHO_SLOPE = 0.45
RHO_FLOOR = 0.10


class GridWater:
    """Water properties on the grid, each state evaluated once with IAPWS-95,
    plus the anchor states of the low-density rule."""

    def __init__(self):
        self.region = np.empty((grids.NP, grids.NT), dtype="<U1")
        self.rho = np.full((grids.NP, grids.NT), np.nan)
        self.eps = np.full((grids.NP, grids.NT), np.nan)
        states = []            # evaluated states (list of WaterState)
        self.index = {}        # (r, c) -> position in states for L cells
        self.psat = []
        for c, t_c in enumerate(grids.T_GRID):
            t_k = t_c + 273.15
            ps = water.saturation_pressure(t_k)
            self.psat.append(ps)
            for r, p in enumerate(grids.P_GRID):
                on_curve = grids.ON_CURVE.get(c) == r
                if ps is not None and p < ps and not on_curve:
                    self.region[r, c] = "S"
                    continue
                if on_curve:
                    st = water.state_liquid_tp(t_k, p)
                else:
                    st = water.state_tp(t_k, p)
                self.rho[r, c] = st.rho
                self.eps[r, c] = st.eps
                if ps is None and st.rho < RHO_HKF:
                    self.region[r, c] = "D"
                    continue
                self.region[r, c] = "L"
                self.index[(r, c)] = len(states)
                states.append(st)
        # anchor states of the low-density rule, one pair per supercritical
        # temperature that has "D" cells
        self.anchor = {}       # c -> (position of RHO_HKF state, of RHO_SLOPE state)
        for c, t_c in enumerate(grids.T_GRID):
            if not (self.region[:, c] == "D").any():
                continue
            t_k = t_c + 273.15
            ia = len(states)
            states.append(water.state_trho(t_k, RHO_HKF))
            states.append(water.state_trho(t_k, RHO_SLOPE))
            self.anchor[c] = (ia, ia + 1)
        self.states = states
        self.t = np.array([s.t for s in states])
        self.p = np.array([s.p for s in states])
        self.rho_s = np.array([s.rho for s in states])
        self.eps_s = np.array([s.eps for s in states])
        self.g_h2o = np.array([s.g_h2o for s in states])

    def anchor_pressure(self, c):
        """Pressure (bar) at which the density is RHO_HKF at column c."""
        return self.states[self.anchor[c][0]].p

    def assemble(self, values):
        """Build a 37 x 36 table from values at the evaluated states, by the
        region rules of this module (values are log K or similar)."""
        tab = np.empty((grids.NP, grids.NT))
        for (r, c), i in self.index.items():
            tab[r, c] = values[i]
        for c in range(grids.NT):
            col = self.region[:, c]
            if (col == "S").any():
                rl = grids.ON_CURVE[c]
                tab[col == "S", c] = tab[rl, c]
            if (col == "D").any():
                ia, ib = self.anchor[c]
                ka, kb = values[ia], values[ib]
                slope = (kb - ka) / (math.log10(RHO_SLOPE) - math.log10(RHO_HKF))
                for r in np.nonzero(col == "D")[0]:
                    lr = math.log10(max(self.rho[r, c], RHO_FLOOR))
                    tab[r, c] = ka + slope * (lr - math.log10(RHO_HKF))
        return tab

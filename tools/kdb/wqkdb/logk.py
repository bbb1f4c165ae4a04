"""log K of dissociation reactions at arrays of water states."""

import math

import numpy as np

from . import hkf
from . import minerals

R_CAL = 1.98720            # cal/(mol K)
LN10 = math.log(10.0)


class GibbsCache:
    """Gibbs energies (cal/mol) of species at a fixed list of water states,
    each computed once.  Keys are slop98 names; 'H2O(l)' is water."""

    def __init__(self, species_by_name, t, p, rho, eps, g_h2o):
        self.sp = species_by_name
        self.t = np.asarray(t, dtype=float)
        self.p = np.asarray(p, dtype=float)
        self.rho = np.asarray(rho, dtype=float)
        self.eps = np.asarray(eps, dtype=float)
        self.g_h2o = np.asarray(g_h2o, dtype=float)
        self.gfun = hkf.g_function(self.t, self.p, self.rho)
        self.cache = {}

    def __call__(self, name):
        if name not in self.cache:
            if name == "H2O(l)":
                g = self.g_h2o
            else:
                s = self.sp[name]
                if s["kind"] == "aqueous":
                    g = hkf.gibbs(s, self.t, self.p, self.rho, self.eps, self.gfun)
                else:
                    g = minerals.gibbs_solid_or_gas(s, self.t, self.p)
            self.cache[name] = g
        return self.cache[name]

    def logk(self, species_name, terms):
        """log K of  species = sum nu_i name_i  (terms: list of (nu, slop
        name)); log K = -dG_r / (R T ln 10) with dG_r = sum nu G - G_sp."""
        dg = -self(species_name)
        for nu, name in terms:
            dg = dg + nu * self(name)
        return -dg / (R_CAL * self.t * LN10)

"""Speciation of a water of given totals and pH, and its saturation indices.

Unknowns: log10 of the free molality of every basis species with a given
total. Every aqueous species of the data set built only of those, H+ and H2O
(and needing neither O2 nor e-) is in the water; its molality follows from
mass action,
    log m_i = log K_i + sum_j nu_ij log a_j + nu_iH (-pH) + nu_iW log a_w - log gamma_i,
and the totals close the system, T_k = sum_i nu_ik m_i. pH fixes a(H+), so
charge balance is not imposed (its residue is reported). Newton's method on
the mass balances, with the activity coefficients and a_w taken from the
current iterate at each step (their derivatives are left out of the
Jacobian: the outer fixed point on I converges in a few steps for waters
below I ~ 1).
"""

import math

import numpy as np

from . import activity
from .thermo import PROTON, WATER, DataError, charge_of

MAX_LOG_STEP = 1.0     # log units per Newton step, so far starts stay finite


class SolveError(Exception):
    """The solver did not reach mass balance."""


class System:
    """Species and phases of one water, as arrays over species x components."""

    def __init__(self, db, totals):
        self.db = db
        self.components = list(totals)
        self.totals = np.array([totals[c] for c in self.components], dtype=float)
        self._check_components()
        allowed = set(self.components) | {PROTON, WATER}
        fits = [e for e in db.aqueous if not e.is_redox() and set(e.content) <= allowed]
        self.names = self.components + [PROTON] + [e.name for e in fits]
        self.entities = [None] * (len(self.components) + 1) + fits
        self.phases = [p for p in db.phases if not p.is_redox() and set(p.content) <= allowed]
        self._arrays(fits)

    def _check_components(self):
        for name, total in zip(self.components, self.totals):
            if name in (PROTON, WATER):
                raise DataError("%s is not a total: pH fixes H+, and water is the solvent" % name)
            if name not in self.db.basis:
                raise DataError("%s is not a basis species of the LLNL data set" % name)
            if not (math.isfinite(total) and total > 0.0):
                raise DataError("total of %s must be a positive number of mol/kg, not %r"
                                % (name, total))

    def _arrays(self, fits):
        n_basis = len(self.components)
        index = {c: k for k, c in enumerate(self.components)}
        rows = len(self.names)
        self.content = np.zeros((rows, n_basis))
        self.proton = np.zeros(rows)
        self.water = np.zeros(rows)
        self.charge = np.zeros(rows)
        self.size = np.zeros(rows)
        self.co2_gamma = np.zeros(rows, dtype=bool)
        for k, c in enumerate(self.components):
            self.content[k, k] = 1.0
            self.charge[k] = charge_of(c)
            self.size[k] = self.db.basis_size(c)
        self.proton[n_basis] = 1.0
        self.charge[n_basis] = 1.0
        self.size[n_basis] = self.db.basis_size(PROTON)
        for r, e in enumerate(fits, start=n_basis + 1):
            for name, nu in e.content.items():
                if name == PROTON:
                    self.proton[r] = nu
                elif name == WATER:
                    self.water[r] = nu
                else:
                    self.content[r, index[name]] = nu
            self.charge[r] = e.charge
            self.co2_gamma[r] = self.db.takes_co2_gamma(e.name)
            if e.charge != 0:
                if not e.size:
                    raise DataError("%s is charged but has no ion size" % e.name)
                self.size[r] = e.size

    def log_k(self, t_c):
        return np.array([0.0 if e is None else e.logk_formation(t_c) for e in self.entities])


class Result:
    """Free molalities, activity coefficients and what follows from them."""

    def __init__(self, system, t_c, ph, log_m, log_gamma, a_w, iterations):
        self.system = system
        self.t_c, self.ph = t_c, ph
        self.log_m, self.log_gamma = log_m, log_gamma
        self.molality = 10.0 ** log_m
        self.a_w = a_w
        self.iterations = iterations
        self.ionic_strength = ionic_strength(system, self.molality)
        self.charge_balance = float(np.dot(system.charge, self.molality))

    def log_activity_of_basis(self):
        la = {c: self.log_m[k] + self.log_gamma[k]
              for k, c in enumerate(self.system.components)}
        la[PROTON] = -self.ph
        la[WATER] = math.log10(self.a_w)
        return la

    def fractions(self):
        """Fraction of each component's total held by each species."""
        s = self.system
        return s.content * self.molality[:, None] / s.totals[None, :]

    def mass_balance_residual(self):
        s = self.system
        return (s.content.T @ self.molality - s.totals) / s.totals

    def saturation(self):
        """[(phase, log K as written at T, log IAP, SI)]: SI = log IAP - log K
        of the dissolution."""
        la = self.log_activity_of_basis()
        out = []
        for p in self.system.phases:
            log_iap = sum(nu * la[n] for n, nu in p.content.items())
            log_k_dissolution = -p.logk_formation(self.t_c)
            out.append((p, log_k_dissolution, log_iap, log_iap - log_k_dissolution))
        return out


def ionic_strength(system, molality):
    return 0.5 * float(np.dot(system.charge ** 2, molality))


def log_gammas(system, model, i):
    out = np.zeros(len(system.names))
    for r, z in enumerate(system.charge):
        if system.co2_gamma[r]:
            out[r] = model.log_gamma_co2(i)
        elif z != 0:
            out[r] = model.log_gamma_ion(z, system.size[r], i)
    return out


def solve(system, ph, t_c, tolerance=1e-12, max_iterations=300):
    """Free molalities at pH and t_c (C) that close every mass balance."""
    if not math.isfinite(ph):
        raise DataError("pH must be a number")
    model = activity.BdotModel(system.db.tables, t_c)
    log_k = system.log_k(t_c)
    x = np.log10(system.totals)
    i = 0.5 * float(np.dot(system.charge[:len(x)] ** 2, system.totals))
    a_w = 1.0
    for iteration in range(1, max_iterations + 1):
        lg = log_gammas(system, model, i)
        log_m = (log_k + system.content @ (x + lg[:len(x)]) - system.proton * ph
                 + system.water * math.log10(a_w) - lg)
        if not np.all(np.isfinite(log_m)) or log_m.max() > 300.0:
            raise SolveError("the iteration ran away at step %d" % iteration)
        m = 10.0 ** log_m
        new_i = ionic_strength(system, m)
        new_a_w = activity.water_activity(float(m.sum()))
        residual = system.content.T @ m - system.totals
        if (np.max(np.abs(residual) / system.totals) < tolerance
                and abs(new_i - i) <= tolerance * max(new_i, 1e-12)
                and abs(new_a_w - a_w) <= tolerance):
            return Result(system, t_c, ph, log_m, lg, a_w, iteration)
        jacobian = math.log(10.0) * (system.content.T * m) @ system.content
        step = np.linalg.solve(jacobian, -residual)
        biggest = float(np.max(np.abs(step)))
        if biggest > MAX_LOG_STEP:
            step *= MAX_LOG_STEP / biggest
        x = x + step
        i, a_w = new_i, new_a_w
        if a_w <= 0.0:
            raise SolveError("water activity fell to %.3g: the water is too concentrated "
                             "for this model" % a_w)
    raise SolveError("no mass balance after %d iterations" % max_iterations)

"""Standard partial molal Gibbs energies of aqueous species, revised HKF.

Equation of state of Tanger & Helgeson (1988, Am. J. Sci. 288, 19-98) with
the solvent function g of Shock, Oelkers, Johnson, Sverjensky & Helgeson
(1992, J. Chem. Soc. Faraday Trans. 88, 803-826) for the pressure and
temperature dependence of the effective electrostatic radius of ions.
Energies are apparent Gibbs energies of formation (Benson-Helgeson
convention) in cal/mol.

All functions accept numpy arrays of states (T in K, P in bar, rho in
g/cm3, eps dimensionless) and return arrays of the same shape.
"""

import numpy as np

from .water import TR, PR, dielectric_jn91

THETA = 228.0          # K, solvent singular temperature
PSI = 2600.0           # bar, solvent pressure parameter
ETA = 1.66027e5        # A cal/mol, Born conversion constant
# Born function Y = (1/eps^2)(d eps/dT)_P at Tr, Pr.  -5.799e-5 1/K is the
# value that SUPCRT92's published tables imply (Johnson-Norton with IAPWS-95
# water gives -5.7956e-5; the difference is worth 0.002 in log K of
# dolomite at 300 C).
Y_REF = -5.799e-5
RHO_REF = 0.99704702   # g/cm3, IAPWS-95 at 298.15 K, 1 bar
EPS_REF = float(dielectric_jn91(TR, RHO_REF))


def g_function(t_k, p_bar, rho):
    """Solvent function g (Angstrom) of Shock et al. (1992).

    g vanishes for densities of 1 g/cm3 and above (the region where the
    effective radii are those at 25 C); between 155 and 355 C and below
    1 kbar the correction f of their eq. 32-33 is subtracted.
    """
    t_k = np.asarray(t_k, dtype=float)
    p_bar = np.asarray(p_bar, dtype=float)
    rho = np.asarray(rho, dtype=float)
    t = t_k - 273.15
    ag = -2.037662 + 5.747000e-3 * t - 6.557892e-6 * t * t
    bg = 6.107361 - 1.074377e-2 * t + 1.268348e-5 * t * t
    one_minus = np.clip(1.0 - rho, 0.0, None)
    g = ag * one_minus ** bg
    tau = (t - 155.0) / 300.0
    dp = 1000.0 - p_bar
    region = (t > 155.0) & (t < 355.0) & (p_bar < 1000.0)
    tau_c = np.where(region, tau, 0.0)
    dp_c = np.where(region, dp, 0.0)
    f = ((tau_c ** 4.8 + 36.66666 * tau_c ** 16)
         * (-1.504956e-10 * dp_c ** 3 + 5.01799e-14 * dp_c ** 4))
    g = np.where(region, g - f, g)
    return np.where(rho >= 1.0, 0.0, g)


def omega(charge, wref, g):
    """Born coefficient omega(T,P) in cal/mol.  Neutral species keep their
    reference value; H+ has omega = 0 by convention."""
    if charge == 0:
        return np.full_like(g, wref)
    z = float(charge)
    re_ref = z * z / (wref / ETA + z / 3.082)
    re = re_ref + abs(z) * g
    return ETA * (z * z / re - z / (3.082 + g))


def gibbs(sp, t_k, p_bar, rho, eps, g=None):
    """Apparent standard Gibbs energy (cal/mol) of an aqueous species whose
    revised-HKF parameters are in the mapping `sp` (keys Gf, Sr, a1..a4,
    c1, c2, wref, charge), at arrays of states."""
    t_k = np.asarray(t_k, dtype=float)
    p_bar = np.asarray(p_bar, dtype=float)
    if sp["name"] == "H+":
        return np.zeros_like(t_k)
    if g is None:
        g = g_function(t_k, p_bar, rho)
    tr = TR
    th = THETA
    lnp = np.log((PSI + p_bar) / (PSI + PR))
    dp = p_bar - PR
    w = omega(sp["charge"], sp["wref"], g)
    wr = sp["wref"]
    c2_term = ((1.0 / (t_k - th) - 1.0 / (tr - th)) * ((th - t_k) / th)
               - t_k / (th * th) * np.log(tr * (t_k - th) / (t_k * (tr - th))))
    return (sp["Gf"] - sp["Sr"] * (t_k - tr)
            - sp["c1"] * (t_k * np.log(t_k / tr) - t_k + tr)
            + sp["a1"] * dp + sp["a2"] * lnp
            - sp["c2"] * c2_term
            + (sp["a3"] * dp + sp["a4"] * lnp) / (t_k - th)
            + w * (1.0 / eps - 1.0) - wr * (1.0 / EPS_REF - 1.0)
            + wr * Y_REF * (t_k - tr))

"""Properties of pure water used by the database builder.

Density, Gibbs energy and entropy come from the IAPWS-95 formulation (Wagner &
Pruss 2002) as implemented by the `iapws` package.  The static dielectric
constant is that of Johnson & Norton (1991, Am. J. Sci. 291, 541-648), the
model of SUPCRT92 to which the revised-HKF parameters of the slop98 data set
were fitted; the IAPWS 1997 dielectric release is deliberately NOT used, since
it departs from Johnson-Norton by several per cent at high temperature and
would shift log K away from what the HKF parameters reproduce.

Units inside the builder: temperature in K, pressure in bar, density in
g/cm3, energies in thermochemical calories (4.184 J).
"""

import math
import warnings

from iapws import IAPWS95 as _IAPWS95


def IAPWS95(**kw):
    """IAPWS-95 state, without the package's warnings about deprecated
    scipy aliases and about its extrapolation below the triple-point
    temperature (0.01 C is at it); neither matters here."""
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        return _IAPWS95(**kw)


IAPWS95.Tc = _IAPWS95.Tc
IAPWS95.Pc = _IAPWS95.Pc
IAPWS95.rhoc = _IAPWS95.rhoc

CAL = 4.184                 # J per thermochemical calorie
M_H2O = 18.015268           # g/mol, IAPWS-95
TR = 298.15                 # reference temperature, K
PR = 1.0                    # reference pressure, bar
TC = IAPWS95.Tc             # critical temperature, K (647.096)
PC_BAR = IAPWS95.Pc * 10.0  # critical pressure, bar

# Standard-state convention of SUPCRT92 for H2O (Helgeson & Kirkham 1974;
# Johnson et al. 1992): apparent Gibbs energy of formation at Tr, Pr and the
# third-law entropy at Tr, Pr.  -56687.7 is the value implied by SUPCRT92's own
# tables (the rounded literature figure is -56687).
G_H2O_REF = -56687.7        # cal/mol
S_H2O_REF = 16.712          # cal/(mol K)

# Johnson & Norton (1991) dielectric constant coefficients a1..a10.
_JN91 = (14.70333593, 212.8462733, -115.4445173, 19.55210915, -83.30347980,
         32.13240048, -6.694098645, -37.86202045, 68.87359646, -27.29401652)


def dielectric_jn91(t_k, rho):
    """Static dielectric constant of water, Johnson & Norton (1991).

    t_k in K, rho in g/cm3.  Works element-wise on numpy arrays as well.
    """
    a = _JN91
    th = t_k / 298.15
    k1 = a[0] / th
    k2 = a[1] / th + a[2] + a[3] * th
    k3 = a[4] / th + a[5] * th + a[6] * th * th
    k4 = a[7] / (th * th) + a[8] / th + a[9]
    return 1.0 + rho * (k1 + rho * (k2 + rho * (k3 + rho * k4)))


def saturation_pressure(t_k):
    """Liquid-vapour saturation pressure (bar) from IAPWS-95; None above Tc."""
    if t_k >= TC:
        return None
    if t_k < 273.2:
        return 0.00611657          # triple point
    return IAPWS95(T=t_k, x=0).P * 10.0


class WaterState:
    """One evaluated state of water: T (K), P (bar), rho (g/cm3), eps and the
    SUPCRT92-convention apparent Gibbs energy of H2O (cal/mol)."""

    __slots__ = ("t", "p", "rho", "eps", "g_h2o", "phase")

    def __init__(self, t, p, rho, eps, g_h2o, phase):
        self.t = t
        self.p = p
        self.rho = rho
        self.eps = eps
        self.g_h2o = g_h2o
        self.phase = phase

    def __repr__(self):
        return ("WaterState(T=%.2f K, P=%.4f bar, rho=%.5f, eps=%.4f, G=%.2f, %s)"
                % (self.t, self.p, self.rho, self.eps, self.g_h2o, self.phase))


_REF = IAPWS95(T=TR, P=PR / 10.0)
_G_REF_IAPWS = _REF.g * M_H2O / CAL          # cal/mol, IAPWS-95 zero
# IAPWS-95 puts zero entropy at the triple-point liquid; the third-law entropy
# differs from it by a constant, which enters G(T,P) - G(Tr,Pr) as -dS (T - Tr).
_DS_ABS = S_H2O_REF - _REF.s * M_H2O / CAL   # cal/(mol K)


def _state_from_iapws(w, t_k, phase):
    rho = w.rho / 1000.0
    g = (G_H2O_REF + (w.g * M_H2O / CAL - _G_REF_IAPWS)
         - _DS_ABS * (t_k - TR))
    return WaterState(t_k, w.P * 10.0, rho, dielectric_jn91(t_k, rho), g, phase)


def state_tp(t_k, p_bar):
    """Stable state of water at T (K) and P (bar)."""
    w = IAPWS95(T=t_k, P=p_bar / 10.0)
    if t_k >= TC:
        phase = "supercritical"
    else:
        phase = "liquid" if w.rho > IAPWS95.rhoc else "vapour"
    return _state_from_iapws(w, t_k, phase)


def state_trho(t_k, rho):
    """State of water at T (K) and density rho (g/cm3)."""
    w = IAPWS95(T=t_k, rho=rho * 1000.0)
    return _state_from_iapws(w, t_k, "given-density")


def state_liquid_tp(t_k, p_bar):
    """Liquid water at T and P, continued into the metastable (superheated)
    liquid when P lies slightly below the saturation pressure.

    Used for the grid points that the program's pressure grid places on the
    saturation curve (1.0133 bar at 100 C ... 165.212 bar at 350 C): those
    pressures are rounded values a few hundredths of a per cent below the
    IAPWS-95 saturation pressure, and the point stands for the saturated
    liquid.  The density is found by Newton iteration on the liquid branch.
    """
    ps = saturation_pressure(t_k)
    if ps is None or p_bar >= ps:
        return state_tp(t_k, p_bar)
    sat = IAPWS95(T=t_k, x=0)
    rho = sat.rho                          # kg/m3, saturated liquid
    target = p_bar * 100.0                 # kPa
    for _ in range(50):
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            h = sat._Helmholtz(rho, t_k)       # single-phase Helmholtz properties
        d = h["delta"]
        dpdrho = sat.R * t_k * (1.0 + 2.0 * d * h["fird"] + d * d * h["firdd"])
        dp = h["P"] - target
        if abs(dp) < 1e-9 * target:
            break
        rho -= dp / dpdrho
    else:
        raise RuntimeError("no metastable liquid at T=%g K, P=%g bar" % (t_k, p_bar))
    g = h["h"] - t_k * h["s"]              # kJ/kg
    rho_g = rho / 1000.0
    g_cal = G_H2O_REF + (g * M_H2O / CAL - _G_REF_IAPWS) - _DS_ABS * (t_k - TR)
    return WaterState(t_k, p_bar, rho_g, dielectric_jn91(t_k, rho_g), g_cal, "liquid")


def density_pressure(t_k, rho):
    """Pressure (bar) of water at T (K) and density (g/cm3)."""
    return IAPWS95(T=t_k, rho=rho * 1000.0).P * 10.0


def debye_huckel_a_b(t_k, rho, eps):
    """Debye-Hueckel A (kg^0.5 mol^-0.5) and B (kg^0.5 mol^-0.5 A^-1) for
    the molal scale, as in Helgeson & Kirkham (1974)."""
    sq = math.sqrt(rho)
    et = eps * t_k
    return 1.82483e6 * sq / et ** 1.5, 50.2916 * sq / math.sqrt(et)

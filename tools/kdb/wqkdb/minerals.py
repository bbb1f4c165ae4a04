"""Gibbs energies of minerals and gases (Helgeson, Delany, Nesbitt & Bird 1978).

Minerals: Maier-Kelley heat capacity Cp = a + bT + c/T^2 per phase, with the
coefficients exactly as the slop98 data set stores them (c signed, negative
for most minerals).  Each phase transition adds its enthalpy at its
temperature; the transition temperature rises with pressure along its
Clapeyron slope dP/dT, so on an isotherm a phase may turn back into the lower
one as the pressure rises.  Volumes are constant per phase (V of the phase =
Vr + the volume changes of the transitions below it), except for quartz,
whose alpha phase follows Helgeson et al. (1978) eq. 109.

Gases: ideal gas with a 1 bar standard state, Maier-Kelley Cp, no pressure
term.

Energies in cal/mol, T in K, P in bar.
"""

import math

import numpy as np

from .water import TR, PR

CM3_BAR_TO_CAL = 0.023901   # 1 cm3 bar = 0.023901 cal (SUPCRT92)

# Helgeson et al. (1978) eq. 109 for alpha quartz
QUARTZ_CA = -4.973e-5       # cm3/bar
QUARTZ_VTT = 23.348         # cm3/mol, volume at the alpha-beta transition


def _cp_int(a, b, c, t0, t1):
    """Integrals of Cp dT and of Cp/T dT from t0 to t1 (Maier-Kelley)."""
    h = a * (t1 - t0) + 0.5 * b * (t1 * t1 - t0 * t0) - c * (1.0 / t1 - 1.0 / t0)
    s = a * math.log(t1 / t0) + b * (t1 - t0) - 0.5 * c * (1.0 / (t1 * t1) - 1.0 / (t0 * t0))
    return h, s


def gibbs_pr(mineral, t_k, phase):
    """Gibbs energy (cal/mol) at T and the reference pressure of the given
    phase (0 = lowest), reached through the transitions below it at their
    reference-pressure temperatures and then continued with that phase's
    heat capacity (metastably, where the phase is not the stable one at Pr)."""
    phases = mineral["phases"]
    g = mineral["Gf"] - mineral["Sr"] * (t_k - TR)
    t_lo = TR
    for i in range(phase + 1):
        ph = phases[i]
        t_hi = t_k if i == phase else ph["Ttr"]
        dh, ds = _cp_int(ph["a"], ph["b"], ph["c"], t_lo, t_hi)
        # G(T) - G(Tr) contribution: integral Cp dT - T integral Cp/T dT
        g += dh - t_k * ds
        if i < phase:
            htr = ph["Htr"]
            g += htr - t_k * htr / ph["Ttr"]
            t_lo = ph["Ttr"]
    return g


def transition_temperature(ph, p_bar):
    """Transition temperature (K) at P: Clapeyron slope dP/dT, or constant
    when the data set gives no slope."""
    if ph["dPdT"]:
        return ph["Ttr"] + (p_bar - PR) / ph["dPdT"]
    return ph["Ttr"]


def stable_phase(mineral, t_k, p_bar):
    """Index of the phase stable at T and P."""
    phases = mineral["phases"]
    k = 0
    for i in range(len(phases) - 1):
        if t_k > transition_temperature(phases[i], p_bar):
            k = i + 1
        else:
            break
    return k


def _quartz_alpha_vdp(mineral, t_k, p_bar):
    """Integral of V dP (cal/mol) from Pr to P at T for alpha quartz with
    V = Vr + ca (P-Pr) + (Vtt - Vr - ca (P-Pr)) (T-Tr)/(Ttr(P)-Tr)
    (Helgeson et al. 1978, eq. 109), integrated in closed form."""
    ph = mineral["phases"][0]
    vr = mineral["Vr"]
    ca = QUARTZ_CA
    k = ph["dPdT"]
    x = p_bar - PR
    d0 = ph["Ttr"] - TR
    lin = vr * x + 0.5 * ca * x * x
    dx = d0 + x / k
    term = (k * (QUARTZ_VTT - vr + ca * k * d0) * math.log(dx / d0) - ca * k * x)
    return (lin + (t_k - TR) * term) * CM3_BAR_TO_CAL


def gibbs_mineral(mineral, t_k, p_bar):
    """Apparent Gibbs energy (cal/mol) of a mineral at T (K) and P (bar)."""
    phase = stable_phase(mineral, t_k, p_bar)
    g = gibbs_pr(mineral, t_k, phase)
    x = p_bar - PR
    if mineral["name"] == "Quartz":
        if phase == 0:
            g += _quartz_alpha_vdp(mineral, t_k, p_bar)
        else:
            v = QUARTZ_VTT + mineral["phases"][0]["Vtr"]
            g += v * x * CM3_BAR_TO_CAL
        return g
    v = mineral["Vr"] + sum(mineral["phases"][i]["Vtr"] for i in range(phase))
    return g + v * x * CM3_BAR_TO_CAL


def gibbs_gas(gas, t_k):
    """Apparent Gibbs energy (cal/mol) of an ideal gas at T, 1 bar standard
    state (no pressure dependence)."""
    ph = gas["phases"][0]
    dh, ds = _cp_int(ph["a"], ph["b"], ph["c"], TR, t_k)
    return gas["Gf"] - gas["Sr"] * (t_k - TR) + dh - t_k * ds


def gibbs_solid_or_gas(entry, t_k, p_bar):
    """Vectorised over arrays of states."""
    t_k = np.atleast_1d(np.asarray(t_k, dtype=float))
    p_bar = np.atleast_1d(np.asarray(p_bar, dtype=float))
    fn = gibbs_gas if entry["kind"] == "gas" else gibbs_mineral
    if entry["kind"] == "gas":
        return np.array([fn(entry, t) for t in t_k])
    return np.array([fn(entry, t, p) for t, p in zip(t_k, p_bar)])

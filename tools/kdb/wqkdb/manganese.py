"""Manganese on one reference: the Mn++ of the LLNL data set.

slop98 carries the Mn++ of Shock et al. (1997): dG_f = -55 100 cal/mol,
S = -16.2 cal/(mol K).  The LLNL set thermo.com.V8.R6, and the EQ3/6 data0
files generated from the same data, carry the earlier Mn++ of Shock &
Helgeson (1988): dG_f = -54 500 cal/mol, dH_f = -52 724 cal/mol,
S = -17.6 cal/(mol K) (data0.shv, "88sho/hel"), with the same equation-of-
state parameters otherwise.  The LLNL minerals and complexes written on
Mn+2 rest on it, and so do the saturation indices that codes using the LLNL
set report; slop98's Mn++ is 0.44 log units more stable at 25 C.

The database's Mn++ is the LLNL one: slop98's Mn++ with the reference-state
data of Shock & Helgeson (1988).  Its Gibbs energy differs from slop98's by

    G_LLNL - G_slop98 = 600 + 1.4 (T - 298.15)  cal/mol

at every temperature and pressure.

Which slop98 entries keep their Gibbs energy, and which move with Mn++?
Shock et al. (1997; "G9" in slop98's references) revised Mn++ together
with its hydrolysis and redox species (MnOH+, MnO(aq), HMnO2-, MnO2--,
Mn+++, MnO4-, MnO4--), each fitted relative to that Mn++: these move with
it, and their log K on Mn++ stays slop98's.  (Written on Mn++ they agree
with the LLNL set's within 0.03 for MnOH+, Mn(OH)2 and Mn(OH)4-- and 0.09
for MnO4- at 25 C; kept, they would be 0.44 off.)  The minerals (Helgeson
et al. 1978) and the complexes of other references (MnCl+, MnSO4,aq, MnF+:
Sverjensky et al. 1997) keep their Gibbs energy, the one the LLNL set uses
too, and their log K on Mn++ is lowered by

    shift(T) = [600 + 1.4 (T - 298.15)] / (R T ln 10)   per Mn

(0.452 at 0 C, 0.440 at 25 C, 0.376 at 300 C, 0.352 at 600 C): the data0
tables of manganosite, rhodochrosite and alabandite differ from slop98 by
exactly this, to 0.001, at 0.01-300 C, and the LLNL fits of those minerals
and of MnCl+ and MnSO4 then agree within 0.04 at 25 C.

The LLNL entries then need no manganese correction.  Those written on the
LLNL basis species MnO4-2 (pyrolusite, birnessite) take the LLNL set's own
relation of MnO4-2 to Mn+2, which the data0 file tabulates
(MnO4-- + 4 H+ = Mn++ + O2(g) + 2 H2O, 0.01-300 C); those written on Mn+3
(bixbyite, hausmannite, manganite, todorokite) take slop98's Mn+++, since
neither file gives the LLNL relation of Mn+3 to Mn+2.
"""

import math

import numpy as np

from . import wholegrid

TR = 298.15
R_CAL = 1.98720

# Shock & Helgeson (1988) Mn++, as data0.shv reports it: the LLNL Mn+2.
REFERENCE = {"Gf": -54500.0, "Hf": -52724.0, "Sr": -17.6}
MN_ION = "Mn++"
# The slop98 species of Shock et al. (1997), which move with Mn++.
MOVES_WITH_MN_ION = ("Mn+++", "MnOH+", "MnO(aq)", "HMnO2-", "MnO2--", "MnO4-", "MnO4--")
REVISION_1997 = "G9"

# The LLNL relation of manganate, in data0.shv.
MANGANATE = "MnO4--"


def on_llnl_reference(species):
    """The slop98 species with Mn++ on the LLNL reference, and the species of
    the same revision moved with it (their Gibbs energy shifted by the same
    amount)."""
    mn = next(s for s in species if s["name"] == MN_ION)
    revised = {s["name"] for s in species if s["kind"] == "aqueous" and "Mn" in s["elements"]
               and s.get("refs") == REVISION_1997 and s["name"] != MN_ION}
    if revised != set(MOVES_WITH_MN_ION):
        raise RuntimeError("slop98 Mn species of the 1997 revision: %s" % sorted(revised))
    d = {k: REFERENCE[k] - mn[k] for k in ("Gf", "Hf", "Sr")}
    out = []
    for s in species:
        if s["name"] == MN_ION or s["name"] in MOVES_WITH_MN_ION:
            s = dict(s)
            for k, v in d.items():
                s[k] = s[k] + v
        out.append(s)
    return out


def shift_per_mn(t_k, slop98_mn):
    """log K lowering per Mn of a slop98 Mn(II) entry on the LLNL Mn++:
    (G_LLNL - G_slop98) / (R T ln 10) at t_k (K)."""
    dg = (REFERENCE["Gf"] - slop98_mn["Gf"]) - (REFERENCE["Sr"] - slop98_mn["Sr"]) * (t_k - TR)
    return dg / (R_CAL * t_k * math.log(10.0))


def manganate_gibbs(data0_reactions, gibbs, curve_t):
    """Gibbs energy (cal/mol) of the LLNL set's MnO4-2 at the temperatures
    curve_t (C), from data0.shv's log K of  MnO4-- + 4 H+ = Mn++ + O2(g) +
    2 H2O  and the database's Mn++, O2(g) and H2O (gibbs(slop name) on
    curve_t); NaN beyond the data (300 C)."""
    temps, logk, reaction = data0_reactions.table(MANGANATE)
    fit = wholegrid.Fit5.through(temps, logk)
    t = np.asarray(curve_t, dtype=float)
    names = {"H2O": "H2O(l)"}
    g = sum(c * gibbs(names.get(s, s)) for c, s in reaction if s not in (MANGANATE, "H+"))
    g = g + R_CAL * (t + 273.15) * math.log(10.0) * fit.fit(t)
    return np.where(t <= fit.hi, g, np.nan)

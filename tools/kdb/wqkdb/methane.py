"""Dissolved methane, component 45 CH4,aq.

slop98 (as distributed in XML) has no aqueous organic species, and the LLNL
log K file none either; the EQ3/6 data0 file data0.shv (LLNL, BSD-3;
SUPCRT92 with the Methane(aq) data of Shock & Helgeson 1990) has the
reaction CH4(g) = Methane(aq) with its log K at 0.01, 25, 60, 100, 150,
200, 250 and 300 C on the saturation curve (-2.5846 at 0.01 C, -2.8502 at
25 C).  From it:

  * the gas CH4(g) is written on CH4,aq (CH4(g) = CH4,aq, log K the Henry
    constant: log f(CH4) = log a(CH4,aq) - log K; 15 mg/L of methane,
    log a = -3.03, gives log f = -0.18 at 25 C), a run carrying CH4,aq
    having methane as a substance of its own;
  * the Gibbs energy of CH4,aq, for the redox couple of carbon: slop98's
    CH4(g) (ideal gas, Maier-Kelley Cp) less R T ln 10 log K.

log K between the eight points: the five-term form of the LLNL and EQ3/6
data sets fitted through them (within 0.002); beyond 300 C the van 't Hoff
continuation (wholegrid.py); no pressure term.
"""

import math

from . import wholegrid

COMPONENT = 45
GAS = "CH4(g)"
DATA0_AQUEOUS = "Methane(aq)"
SOURCE = "slop98 CH4(g); CH4(g) = CH4,aq: EQ3/6 data0.shv (Shock & Helgeson 1990)"
R_CAL = 1.98720


def henry_constant(data0_reactions):
    """log K of CH4(g) = CH4,aq as a function of T (C), from data0.shv."""
    temps, logk, reaction = data0_reactions.table(GAS)
    if sorted(reaction) != sorted([(-1.0, GAS), (1.0, DATA0_AQUEOUS)]):
        raise RuntimeError("data0 %s: unexpected reaction %s" % (GAS, reaction))
    return wholegrid.Fit5.through(temps, logk)


def data_tag(henry):
    return "data %g-%g C" % (henry.lo, henry.hi)


def write_gas_on_methane(solids, henry):
    """The slop98 gas CH4(g), written on CH4,aq with the Henry constant on
    the whole grid."""
    gas = next(e for e in solids if e["slop"] == GAS)
    gas.update({"terms": [(1.0, COMPONENT)], "rule": "own",
                "table": wholegrid.table(henry.column()),
                "source": SOURCE, "tag": data_tag(henry), "note": "; reaction rule own"})
    return gas


def gibbs_aqueous(gc, henry):
    """G (cal/mol) of CH4,aq at the states of the Gibbs cache gc."""
    t_k = gc.t
    return gc(GAS) - R_CAL * t_k * math.log(10.0) * henry(t_k - 273.15)

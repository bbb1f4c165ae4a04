"""Redox couples: the reaction between the two members of each redox pair of
components, and the electron, written on the components with dissolved
oxygen (O2,aq, database number 31) as the carrier of the electrons.

The database keeps the two oxidation states of Fe, S, N, As and C as
separate components (Fe++ and Fe+++, HS- and SO4--, NH4+ and NO3-, HAsO2,aq
and H2AsO4-, CH4,aq and HCO3-), each with the species of its own oxidation
state.  A water whose
redox state is known (an Eh, a pe, a log fO2, or the two members of one pair
both measured) distributes every such element over its two states through
one reaction per pair:

    oxidized member = reduced member + a H+ + b H2O + c O2,aq

(Fe+++ = Fe++ + H+ - 0.5 H2O + 0.25 O2,aq; SO4-- = HS- + H+ ... ), with the
log K of this dissociation from the same SUPCRT92 data as every other entry.
The electron enters through the water-oxygen couple, one electron at a time:

    e- = 0.5 H2O - H+ - 0.25 O2,aq,

whose log K (G of e- and of H+ zero, the convention of the standard hydrogen
electrode) turns an activity of O2,aq into a pe and back:
pe = log K(e-) - 0.5 log a(H2O) + log a(H+) + 0.25 log a(O2,aq).

Carbon: HCO3- = CH4,aq - H+ - H2O + 2 O2,aq, with the Gibbs energy of
CH4,aq from slop98's CH4(g) and the Henry constant of data0.shv
(methane.py); the couple's log K agrees with the data0 file's own Methane(aq)
reaction, through ethane and acetic acid to HCO3-, within 0.002 at 0-300 C.
Hydrogen and nitrogen gases need no entry: H2,aq and N2,aq are species
written on H2O, NH4+ and O2,aq already.  Manganese and uranium have one
component each (Mn++, UO2++); their other oxidation states are species
written on O2,aq, distributed by mass action once O2,aq is a component.
"""

from . import basis as basis_mod
from .logk import LN10, R_CAL

# (oxidized, reduced) database numbers of each pair, in the order written.
PAIRS = ((16, 15), (4, 6), (22, 21), (28, 29), (5, 45))

BASE = (basis_mod.H_PLUS, basis_mod.H2O, basis_mod.O2)

ELECTRON_NAME = "e-"
# e- = 0.5 H2O - H+ - 0.25 O2,aq: the water-oxygen couple
# 2 H2O = O2,aq + 4 H+ + 4 e- per electron.
ELECTRON_TERMS = [(-1.0, basis_mod.H_PLUS), (0.5, basis_mod.H2O), (-0.25, basis_mod.O2)]


def couple_name(bs, oxidized, reduced):
    """Reduced/oxidized, the way the program names the couple of an Eh."""
    return "%s/%s" % (bs.comp[reduced]["name"], bs.comp[oxidized]["name"])


def element_of(bs, number):
    """The element that a member carries besides H and O (Fe, S, N, As)."""
    heavy = [e for e in bs.comp[number]["elements"] if e not in ("H", "O")]
    assert len(heavy) == 1, bs.comp[number]["name"]
    return heavy[0]


def pair_terms(bs, oxidized, reduced):
    """The dissociation of the oxidized member on the reduced member, H+,
    H2O and O2,aq: (coefficient, database number) sorted by number."""
    ox = bs.comp[oxidized]
    cols = [reduced, basis_mod.H_PLUS, basis_mod.H2O, basis_mod.O2]
    x = bs._solve(ox["elements"], ox["charge"], cols, square=True)
    if x is None:
        raise RuntimeError("no couple reaction for %s" % ox["name"])
    terms = bs._terms(cols, x)
    if not basis_mod.exact_at_3_decimals(terms):
        raise RuntimeError("couple reaction of %s not exact at 3 decimals" % ox["name"])
    return terms


def reaction_logk(bs, gibbs, t_k, species, terms):
    """log K of  species = sum nu component  on the grid's states; species
    None is the electron, whose Gibbs energy is 0.  gibbs(number) is the
    Gibbs energy of a component on those states."""
    dg = sum(v * gibbs(n) for v, n in terms)
    if species is not None:
        dg = dg - gibbs(species)
    return -dg / (R_CAL * t_k * LN10)


def build_couples(bs, gc, gw, extra_gibbs, tags):
    """The electron and the pairs, each with its full log K table.
    extra_gibbs: Gibbs energies of components slop98 lacks (CH4,aq), by
    number; tags: the tag of the temperatures of the data of such a couple,
    by number of its reduced member."""
    def gibbs(n):
        return extra_gibbs[n] if n in extra_gibbs else gc(bs.comp[n]["slop"])

    out = [{"name": ELECTRON_NAME, "oxidized": 0, "reduced": 0, "element": "",
            "terms": sorted(ELECTRON_TERMS, key=lambda t: t[1]),
            "words": "0.25 O2,aq + H+ + e- = 0.5 H2O (water-oxygen couple)",
            "table": gw.assemble(reaction_logk(bs, gibbs, gc.t, None, ELECTRON_TERMS))}]
    for ox, red in PAIRS:
        terms = pair_terms(bs, ox, red)
        words = pair_words(bs, ox, terms)
        if red in tags:
            words = "%s, %s" % (words, tags[red])
        out.append({"name": couple_name(bs, ox, red), "oxidized": ox, "reduced": red,
                    "element": element_of(bs, ox), "terms": terms, "words": words,
                    "table": gw.assemble(reaction_logk(bs, gibbs, gc.t, ox, terms))})
    return out


def pair_words(bs, oxidized, terms):
    """'Fe+++ + 0.5 H2O = Fe++ + H+ + 0.25 O2,aq' from the dissociation."""
    def item(v, n):
        name = bs.comp[n]["name"]
        return name if abs(v - 1.0) < 1e-12 else "%g %s" % (v, name)
    left = [bs.comp[oxidized]["name"]] + [item(-v, n) for v, n in terms if v < 0]
    # the reduced member first, then H+, H2O and O2,aq
    right = [item(v, n) for v, n in sorted(terms, key=lambda t: t[1] in BASE) if v > 0]
    return "%s = %s" % (" + ".join(left), " + ".join(right))

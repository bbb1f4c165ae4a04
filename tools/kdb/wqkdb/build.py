"""Assembling the database: choice of species, reactions and tables."""

import numpy as np

from . import activity
from . import basis as basis_mod
from . import couples
from . import data0
from . import duplicates
from . import gridstate
from . import manganese
from . import methane
from . import additions
from . import thermodata
from .logk import GibbsCache

MAX_MINERALS_GASES = 499


class Database:
    """Everything the writer needs, plus the list of entries left out."""

    def __init__(self):
        self.components = []     # dicts: num, name, charge, size, mass, alk
        self.aqueous = []        # dicts: name, slop, charge, size, alk, terms, rule, table
        self.solids = []         # dicts: name, slop, kind, volume, terms, rule, table, formula
        self.tables = None       # (A, B, b_eta value, b_NaCl value)
        self.left_out = []       # (slop name, kind, reason)
        self.converter = None    # LLNL conversion (llnl.Converter)
        self.couples = []        # dicts: name, oxidized, reduced, terms, words, table


def _terms_to_slop(basis, terms):
    return [(v, basis.comp[n]["slop"]) for v, n in terms]


def build(thermo_dir, gw=None, progress=None):
    files = thermodata.thermo_files(thermo_dir)
    elem_mass, species = thermodata.load_supcrt(files["supcrt"])
    species = manganese.on_llnl_reference(species)
    by_name = {s["name"]: s for s in species}
    radii = thermodata.load_radii(files["radii"])
    hkf81 = thermodata.load_hkf81_tables(files["hkf81"])
    say = progress or (lambda msg: None)

    if gw is None:
        say("water properties on the grid (IAPWS-95)")
        gw = gridstate.GridWater()
    db = Database()
    db.gridwater = gw
    say("activity-model tables")
    db.tables = activity.activity_tables(gw, hkf81)

    bs = basis_mod.Basis(by_name, elem_mass)
    db.basis = bs
    for num in sorted(bs.comp):
        c = bs.comp[num]
        db.components.append({
            "num": num, "name": c["name"], "charge": c["charge"],
            "size": basis_mod.size_parameter(c["name"], c["charge"], radii),
            "mass": c["mass"], "alk": c["alk"]})

    gc = GibbsCache(by_name, gw.t, gw.p, gw.rho_s, gw.eps_s, gw.g_h2o)
    db.gibbs = gc
    used_names = set(c["name"] for c in db.components)

    def reaction_for(s):
        terms, rule = bs.write(s["elements"], s["charge"])
        if terms is None:
            return None, None, "not expressible on the components (%s)" % (
                ", ".join(sorted(e for e in s["elements"] if e not in ("H", "O")
                                 and e not in bs.by_element)) or "balance")
        if not basis_mod.exact_at_3_decimals(terms):
            return None, None, "coefficients not exact at 3 decimals"
        if len(terms) > basis_mod.MAX_TERMS:
            return None, None, "more than %d terms" % basis_mod.MAX_TERMS
        return terms, rule, None

    say("aqueous species")
    decoupled_slop = {bs.comp[n]["slop"] for n in basis_mod.DECOUPLED if bs.comp[n]["slop"]}
    for s in species:
        if s["kind"] != "aqueous":
            continue
        if s["name"] in ("H+", "H2O(l)"):
            continue
        if s["name"] in bs.component_slop_names and s["name"] not in decoupled_slop:
            continue
        if s["name"] in duplicates.LEFT_OUT:
            db.left_out.append((s["name"], "aqueous", duplicates.LEFT_OUT[s["name"]][1]))
            continue
        name = basis_mod.program_name(s["name"])
        fe = thermodata.formula_elements(s["name"])
        if fe is not None and any(abs(fe.get(e, 0.0) - s["elements"].get(e, 0.0)) > 1e-9
                                  for e in set(fe) | set(s["elements"])):
            db.left_out.append((s["name"], "aqueous",
                                "element list of the data set contradicts the formula"))
            continue
        terms, rule, why = reaction_for(s)
        if why:
            db.left_out.append((s["name"], "aqueous", why))
            continue
        if len(name) > 20 or (name in used_names and s["name"] not in decoupled_slop):
            db.left_out.append((s["name"], "aqueous", "name not unique in 20 characters"))
            continue
        used_names.add(name)
        k = gc.logk(s["name"], _terms_to_slop(bs, terms))
        db.aqueous.append({
            "name": name, "slop": s["name"], "charge": s["charge"],
            "size": basis_mod.size_parameter(name, s["charge"], radii),
            "alk": bs.alkalinity(terms, rule), "terms": terms, "rule": rule,
            "table": gw.assemble(k), "mass": s["mass"], "refs": s.get("refs", ""),
            "elements": s["elements"]})

    say("minerals and gases")
    solid_names = set()
    for kind in ("mineral", "gas"):
        for s in species:
            if s["kind"] != kind:
                continue
            if s["placeholder"]:
                db.left_out.append((s["name"], kind,
                                    "placeholder data (no Gibbs energy or enthalpy of formation)"))
                continue
            terms, rule, why = reaction_for(s)
            if why:
                db.left_out.append((s["name"], kind, why))
                continue
            name = s["name"]
            if len(name) > 20 or name in solid_names or name in used_names:
                db.left_out.append((s["name"], kind, "name not unique in 20 characters"))
                continue
            solid_names.add(name)
            k = gc.logk(s["name"], _terms_to_slop(bs, terms))
            db.solids.append({
                "name": name, "slop": s["name"], "kind": kind, "formula": s["formula"],
                "volume": s["Vr"] if kind == "mineral" else 0.0,
                "terms": terms, "rule": rule, "table": gw.assemble(k),
                "tmax": s.get("Tmax", 0.0), "refs": s.get("refs", "")})

    say("LLNL additions")
    reactions = data0.Reactions(files["data0"]["shv"])
    additions.add_llnl(db, files["llnl"], by_name, bs, gw, gc, used_names | solid_names,
                       reactions)

    say("methane")
    henry = methane.henry_constant(reactions)
    methane.write_gas_on_methane(db.solids, henry)

    say("redox couples")
    db.couples = couples.build_couples(
        bs, gc, gw, {methane.COMPONENT: methane.gibbs_aqueous(gc, henry)},
        {methane.COMPONENT: methane.data_tag(henry)})

    refuse_duplicates(db)
    if len(db.solids) > MAX_MINERALS_GASES:
        raise RuntimeError("%d minerals and gases, more than %d"
                           % (len(db.solids), MAX_MINERALS_GASES))
    for tab in list(db.tables) + [e["table"] for e in db.aqueous + db.solids + db.couples]:
        if not np.all(np.isfinite(tab)):
            raise RuntimeError("non-finite value in a table")
    return db


def kept_with_every_component(db):
    """The aqueous species a run with every component keeps: all but the
    like-named species of the decoupled basis species, which the program
    suppresses when these are components."""
    decoupled = {db.basis.comp[n]["name"] for n in basis_mod.DECOUPLED}
    return sum(1 for e in db.aqueous if e["name"] not in decoupled)


def refuse_duplicates(db):
    """Every aqueous species once, the component species included (but for
    the decoupled ones, whose like-named species are there on purpose)."""
    comps = [(c["name"], c["elements"], c["charge"]) for n, c in sorted(db.basis.comp.items())
             if n not in basis_mod.DECOUPLED]
    duplicates.refuse_duplicates(comps + [(e["name"], e["elements"], e["charge"])
                                          for e in db.aqueous])

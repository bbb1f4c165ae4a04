"""Assembling the database: choice of species, reactions and tables."""

import numpy as np

from . import activity
from . import basis as basis_mod
from . import couples
from . import duplicates
from . import gridstate
from . import llnl
from . import thermodata
from .logk import GibbsCache

MAX_MINERALS_GASES = 499
MAX_TERMS = 12


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
        if len(terms) > MAX_TERMS:
            return None, None, "more than %d terms" % MAX_TERMS
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
    add_llnl(db, files["llnl"], by_name, bs, gw, gc, used_names | solid_names)

    say("redox couples")
    db.couples = couples.build_couples(bs, gc, gw)

    refuse_duplicates(db)
    if len(db.solids) > MAX_MINERALS_GASES:
        raise RuntimeError("%d minerals and gases, more than %d"
                           % (len(db.solids), MAX_MINERALS_GASES))
    for tab in list(db.tables) + [e["table"] for e in db.aqueous + db.solids + db.couples
                                  if not e.get("short")]:
        if not np.all(np.isfinite(tab)):
            raise RuntimeError("non-finite value in a table")
    return db


def refuse_duplicates(db):
    """Every aqueous species once, the component species included (but for
    the decoupled ones, whose like-named species are there on purpose)."""
    comps = [(c["name"], c["elements"], c["charge"]) for n, c in sorted(db.basis.comp.items())
             if n not in basis_mod.DECOUPLED]
    duplicates.refuse_duplicates(comps + [(e["name"], e["elements"], e["charge"])
                                          for e in db.aqueous])


def llnl_converter(llnl_path, by_name, bs, gw, gc):
    """The LLNL entries and their converter onto this database."""
    entries = llnl.load(llnl_path)

    def gibbs(name):
        return llnl.on_curve(gw.assemble(gc(name)))

    def logk_ours(slop_name, terms):
        return llnl.on_curve(gw.assemble(gc.logk(slop_name, _terms_to_slop(bs, terms))))

    return entries, llnl.Converter(entries, by_name, bs, gibbs, logk_ours)


def short_table(values):
    return [llnl.ABSENT if not np.isfinite(v) else float(v) for v in values]


def llnl_table(entry, conv, terms):
    """A full table where the data set applies (an entry with a fit), or
    the short table of an entry with a 25 C value only; and which."""
    if entry.coeffs is None:
        return short_table(llnl.short_of_curve(conv.convert(entry, terms, [25.0]))), True
    return llnl.full_table(entry, conv.convert(entry, terms, entry.curve_temperatures())), False


def add_llnl(db, llnl_path, by_name, bs, gw, gc, taken):
    """Minerals, gases and aqueous species of the LLNL set that slop98
    lacks (llnl.ADDITIONS): full tables holding values where the data set
    applies (an entry with a fit), short tables for a 25 C value alone."""
    entries, conv = llnl_converter(llnl_path, by_name, bs, gw, gc)
    db.converter = conv
    for kind, lname, alias in llnl.ADDITIONS:
        e = conv.by_name[(kind, lname)]
        name = llnl.program_name(e, alias)
        if len(name) > 20 or name in taken:
            raise RuntimeError("LLNL addition %s: name not unique in 20 characters" % lname)
        taken.add(name)
        els, charge = llnl.composition(e, by_name)
        terms, rule = bs.write(els, charge)
        if terms is None or len(terms) > MAX_TERMS or not basis_mod.exact_at_4_decimals(terms):
            raise RuntimeError("LLNL addition %s cannot be written on the components" % lname)
        values, short = llnl_table(e, conv, terms)
        if e.coeffs:
            fit = "fit %g-%g C" % e.range_c
        else:
            fit = "25 C only"
        source = "%s %s, %s" % (llnl.SOURCE, lname, fit)
        rec = {"name": name, "llnl": lname, "kind": kind, "charge": charge,
               "terms": terms, "rule": rule, "table": values, "short": short,
               "source": source, "elements": els}
        if kind == "aqueous":
            rec["size"] = llnl_size(charge)
            rec["alk"] = bs.alkalinity(terms, rule)
            rec["slop"] = lname
            db.aqueous.append(rec)
        else:
            rec.update({"slop": lname, "formula": e.formula, "volume": 0.0,
                        "tmax": 0.0, "refs": ""})
            db.solids.append(rec)


def llnl_size(charge):
    """Size parameter of an LLNL ion: its B-dot ion size is not an effective
    electrostatic radius, so the radius is estimated by charge (HKF81)."""
    if charge == 0:
        return 0.0
    return basis_mod.RADIUS_BY_CHARGE[charge]

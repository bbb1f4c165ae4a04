"""The LLNL additions in the database: minerals, gases and aqueous species
of the LLNL set that slop98 lacks (llnl_additions.ADDITIONS), converted to
the database's basis (llnl.Converter) and extended over the whole grid
(wholegrid.py)."""

from . import basis as basis_mod
from . import llnl
from . import manganese
from . import wholegrid
from .llnl_additions import ADDITIONS, NOT_IN_LLNL


def llnl_converter(llnl_path, by_name, bs, gw, gc, data0_reactions):
    """The LLNL entries and their converter onto this database."""
    entries = llnl.load(llnl_path)

    def on_curve(name):
        return llnl.on_curve(gw.assemble(gc(name)))

    manganate = manganese.manganate_gibbs(data0_reactions, on_curve, llnl.CURVE_T)

    def gibbs(name):
        return manganate if name == manganese.MANGANATE else on_curve(name)

    def logk_ours(slop_name, terms):
        slop_terms = [(v, bs.comp[n]["slop"]) for v, n in terms]
        return llnl.on_curve(gw.assemble(gc.logk(slop_name, slop_terms)))

    return entries, llnl.Converter(entries, by_name, bs, gibbs, logk_ours)


def add_llnl(db, llnl_path, by_name, bs, gw, gc, taken, data0_reactions):
    """Append the additions to db.aqueous and db.solids: each a full table,
    finite on every cell, with the tag of the temperatures its data rest on."""
    entries, conv = llnl_converter(llnl_path, by_name, bs, gw, gc, data0_reactions)
    db.converter = conv
    for kind, lname, alias in ADDITIONS:
        e = conv.by_name[(kind, lname)]
        name = llnl.program_name(e, alias)
        if len(name) > 20 or name in taken:
            raise RuntimeError("LLNL addition %s: name not unique in 20 characters" % lname)
        taken.add(name)
        els, charge = llnl.composition(e, by_name)
        terms, rule = bs.write(els, charge)
        if terms is None or len(terms) > basis_mod.MAX_TERMS or not basis_mod.exact_at_4_decimals(terms):
            raise RuntimeError("LLNL addition %s cannot be written on the components" % lname)
        rec = {"name": name, "llnl": lname, "kind": kind, "charge": charge,
               "terms": terms, "rule": rule,
               "table": wholegrid.table(conv.column(e, terms)),
               "source": "%s %s" % (llnl.SOURCE, lname), "tag": e.data_tag(),
               "elements": els}
        if kind == "aqueous":
            rec["size"] = llnl_size(charge)
            rec["alk"] = bs.alkalinity(terms, rule)
            rec["slop"] = lname
            db.aqueous.append(rec)
        else:
            rec.update({"slop": lname, "formula": e.formula, "volume": 0.0,
                        "tmax": 0.0, "refs": ""})
            db.solids.append(rec)
    for kind, name in NOT_IN_LLNL:
        db.left_out.append((name, kind, "wanted, but in neither the LLNL set nor slop98"))


def llnl_size(charge):
    """Size parameter of an LLNL ion: its B-dot ion size is not an effective
    electrostatic radius, so the radius is estimated by charge (HKF81)."""
    if charge == 0:
        return 0.0
    return basis_mod.RADIUS_BY_CHARGE[charge]

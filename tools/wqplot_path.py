"""wqplot's pictures of the paths. An evaporation path (`wqspec evaporate`):
log Q/K of the minerals against the concentration factor, the factor of each
first saturation marked, the moles precipitated below. A reaction path
(`wqspec react`): pH, log Q/K and the
mass transfer so far against each step's variable, one column of panels per
run of steps whose variable is the same quantity (a mix step's fraction, the
reactant added, the temperature of a heating, cooling or boiling, the
concentration factor of an evaporation; equilibrate steps, which have none, side by
side as the states before and after). Each column begins at the record before
its first step, the water the step starts from (a mix at fraction 0, an add
at the amount added before, a temperature step at the temperature before)."""

import csv
import io
import math
import re

import matplotlib.pyplot as plt

from wqplot_common import InputError, number, split_names, style, title_of

# At most this many minerals (and gases) drawn when --minerals names none.
DEFAULT_PHASES = 6
# An add panel of at least this many points marks the inflection of its pH
# curve, where a titration passes its equivalence point.
TITRATION_POINTS = 5
MMOL = 1000.0


def read_reaction(text):
    """The path's head (the path file, the start's titles, the activity
    model) and its records, each a dict of the CSV's cells."""
    comments = [line[1:].strip() for line in text.splitlines() if line.startswith("#")]
    body = "\n".join(line for line in text.splitlines() if not line.startswith("#"))
    rows = list(csv.DictReader(io.StringIO(body)))
    if not rows or any(key not in rows[0] for key in ("step", "kind", "variable", "pH")):
        raise InputError("the reaction path's table has no records (step, kind, variable, pH)")
    head = {"file": comments[0].split(":", 1)[1].strip() if comments else "",
            "titles": comments[1:3], "model": ""}
    for c in comments:
        if c.startswith("activity model:"):
            head["model"] = c.split(":", 1)[1].strip()
    return head, rows


def added_column(rows, k):
    """The added(...) column the k-th record's add step counts its reactant
    in: the one that grew from the record before."""
    for key in rows[0]:
        if key.startswith("added(") and number(rows[k].get(key)) != number(rows[k - 1].get(key)):
            return key
    raise InputError(f"the add record of step {rows[k]['step']} adds nothing to the record before")


def panel_key(rows, k):
    """Records of consecutive steps share a panel when their variable is the
    same quantity."""
    kind = rows[k]["kind"]
    if kind == "add":
        return ("add", added_column(rows, k))
    if kind == "mix":
        return ("mix", rows[k]["step"])
    return (kind,)


def panels_of(rows):
    """[(key, records)] of the records after the start, the record before
    each panel's first put in front of it."""
    panels = []
    for k in range(1, len(rows)):
        key = panel_key(rows, k)
        if not panels or panels[-1][0] != key:
            panels.append((key, [rows[k - 1]]))
        panels[-1][1].append(rows[k])
    if not panels:
        raise InputError("the reaction path has no step after its start")
    return panels


def x_of(key, records):
    """The panel's x of each record (NaN where the record has none) and the
    axis label."""
    kind = key[0]
    if kind == "add":
        reactant = key[1][len("added("):key[1].index(")")]
        return [number(r.get(key[1])) * MMOL for r in records], f"{reactant} added (mmol/kg starting water)"
    if kind == "mix":
        return [0.0] + [number(r["variable"]) for r in records[1:]], "fraction of the other water"
    if kind == "temperature":
        return [number(r["T [C]"]) for r in records], "temperature (°C)"
    if kind == "boil":
        return [number(r["T [C]"]) for r in records], "temperature (°C), boiling"
    if kind == "evaporate":
        return [1.0] + [number(r["variable"]) for r in records[1:]], "concentration factor of the step's water"
    return list(range(len(records))), "equilibrate"


def phases_of(rows, args):
    """The minerals and gases drawn: --minerals (gases too), else those held
    by a step and the minerals that come nearest saturation on the path."""
    known = [k[3:-1] for k in rows[0] if k.startswith("SI(")]
    gases = [k[len("log f("):-1] for k in rows[0] if k.startswith("log f(")]
    if args.minerals:
        return split_names(args.minerals, set(known + gases))
    held = [moved_name(k) for k in rows[0] if k.startswith("transfer(")]
    held = [m for m in held if m in known or m in gases]

    def nearest(m):
        values = [abs(number(r.get(f"SI({m})"))) for r in rows]
        values = [v for v in values if not math.isnan(v)]
        return min(values) if values else math.inf
    rest = sorted((m for m in known if m not in held), key=nearest)
    return (held + rest)[:max(DEFAULT_PHASES, len(held))]


def moved_name(column):
    """The phase of a transfer(...) column."""
    return column[len("transfer("):column.index(") [")]


def moved_columns(rows):
    """The transfer(...) columns of phases that moved somewhere on the path."""
    return [k for k in rows[0] if k.startswith("transfer(") and any(number(r.get(k)) for r in rows)]


def inflection(x, ph):
    """The middle of the interval where pH falls fastest, and its slope, when
    that interval has slower ones on both sides (the curve turns there, as a
    titration's does at its equivalence point); else None."""
    slopes = [(ph[k] - ph[k + 1]) / (x[k + 1] - x[k]) if x[k + 1] > x[k] else math.nan for k in range(len(x) - 1)]
    known = [(v, k) for k, v in enumerate(slopes) if not math.isnan(v)]
    if not known:
        return None
    slope, k = max(known)
    if k == 0 or k == len(slopes) - 1:
        return None
    return (x[k] + x[k + 1]) / 2, slope


def draw_panel(axes, key, records, minerals, moved, data):
    x, label = x_of(key, records)
    ph = [number(r["pH"]) for r in records]
    marker = "o" if key[0] == "equilibrate" or len(records) < 12 else None
    axes[0].plot(x, ph, color="black", lw=1.6, marker=marker, ms=4)
    data.extend((f"pH {label}", a, b) for a, b in zip(x, ph) if not math.isnan(b))
    if key[0] == "add" and len(records) >= TITRATION_POINTS:
        found = inflection(x, ph)
        if found:
            axes[0].axvline(found[0], color="#7d3c98", ls=":", lw=1.2,
                            label=f"inflection (steepest fall of pH) at {found[0]:.3f}")
            axes[0].legend(fontsize=8, frameon=False)
            data.append((f"inflection {label}", found[0], found[1]))
    # A phase keeps its colour in every row.
    names = minerals + [n for n in map(moved_name, moved) if n not in minerals]
    for m in minerals:
        column = f"SI({m})" if f"SI({m})" in records[0] else f"log f({m})"
        y = [number(r.get(column)) for r in records]
        shown = m if column.startswith("SI(") else f"log f {m}"
        axes[1].plot(x, y, lw=1.6, marker=marker, ms=3, label=shown, **style(names.index(m)))
        data.extend((f"{column} {label}", a, b) for a, b in zip(x, y) if not math.isnan(b))
    axes[1].axhline(0.0, color="black", lw=0.8)
    for column in moved:
        name = moved_name(column)
        y = [number(r.get(column)) * MMOL for r in records]
        axes[2].plot(x, y, lw=1.6, marker=marker, ms=3, label=name, **style(names.index(name)))
        data.extend((f"transfer {name} {label}", a, b) for a, b in zip(x, y) if not math.isnan(b))
    if len(axes) > 2:
        axes[2].axhline(0.0, color="black", lw=0.8)
    axes[-1].set_xlabel(label)
    if key[0] == "equilibrate":
        names = ["before"] + [f"step {r['step']}" for r in records[1:]]
        for ax in axes:
            ax.set_xticks(x, names)
            ax.set_xlim(-0.3, len(x) - 0.7)


def plot_reaction(text, args, data):
    head, rows = read_reaction(text)
    rows = [r for r in rows if r.get("status", "").startswith("converged")]
    if not rows:
        raise InputError("the reaction path has no converged record")
    minerals = phases_of(rows, args)
    moved = moved_columns(rows)
    panels = panels_of(rows)
    height = 3 if moved else 2
    # An equilibrate column holds a few states side by side: narrower.
    widths = [0.35 + 0.2 * len(records) if key[0] == "equilibrate" else 1.0 for key, records in panels]
    fig, axes = plt.subplots(height, len(panels), figsize=(4.6 * sum(widths) + 2.5, 2.6 * height + 0.8),
                             sharey="row", squeeze=False, layout="constrained", gridspec_kw={"width_ratios": widths})
    for column, (key, records) in enumerate(panels):
        draw_panel(axes[:, column], key, records, minerals, moved, data)
        for ax in axes[:, column]:
            ax.grid(alpha=0.3)
    axes[0][0].set_ylabel("pH")
    axes[1][0].set_ylabel("log Q/K (gases: log f)")
    axes[1][0].set_ylim(*args.ylim)
    axes[1][-1].legend(loc="center left", bbox_to_anchor=(1.01, 0.5), fontsize=8.5, frameon=False)
    if moved:
        axes[2][0].set_ylabel("transfer so far\n(mmol/kg starting water;\n+ dissolved, - precipitated)")
        axes[2][-1].legend(loc="center left", bbox_to_anchor=(1.01, 0.5), fontsize=8.5, frameon=False)
    what = f"reaction path {head['file']}" + (f"; activity model: {head['model']}" if head["model"] else "")
    fig.suptitle(title_of(head["titles"], what), fontsize=10.5)
    return fig


# ---------------------------------------------------------------- evaporation


def read_evaporation(text):
    comments = [l for l in text.splitlines() if l.startswith("#")]
    body = "\n".join(l for l in text.splitlines() if not l.startswith("#"))
    rows = list(csv.DictReader(io.StringIO(body)))
    if not rows or "concentration factor" not in rows[0]:
        raise InputError("the evaporation table has no rows with a concentration factor")
    second = comments[1][1:].strip() if len(comments) > 1 else ""
    info = {"titles": [comments[0][len("# wqspec evaporate:"):].strip(), second], "first": [], "model": "", "path": ""}
    for c in comments:
        if c.startswith("# first saturation (concentration factor):"):
            text_ = c.split(":", 1)[1].strip()
            for part in text_.split(";") if text_ != "none" else []:
                m = re.match(r"\s*(.+) at ([-0-9.]+)\s*$", part)
                if m:
                    info["first"].append((m.group(1), float(m.group(2))))
        if c.startswith("# activity model:"):
            info["model"] = c.split(":", 1)[1].strip()
        if c.startswith("# path:"):
            info["path"] = c.split(":", 2)[1].strip()  # equilibrium, fractional or supersaturation
    return info, [r for r in rows if r.get("status", "").startswith("converged")]


def plot_evaporation(text, args, data):
    info, rows = read_evaporation(text)
    if not rows:
        raise InputError("the evaporation path has no converged step")
    known = [k[3:-1] for k in rows[0].keys() if isinstance(k, str) and k.startswith("SI(")]
    minerals = split_names(args.minerals, set(known)) if args.minerals else [m for m, _ in info["first"] if m in known]
    if not minerals:
        raise InputError("no mineral saturates on the path; give --minerals")
    f = [number(r["concentration factor"]) for r in rows]
    fig, (ax, amounts) = plt.subplots(2, 1, figsize=(10, 7.5), sharex=True,
                                      gridspec_kw={"height_ratios": [3, 1.6]})
    first = dict(info["first"])
    for i, m in enumerate(minerals):
        y = [number(r.get(f"SI({m})", "")) for r in rows]
        label = f"{m} (saturates at {first[m]:.1f})" if m in first else m
        ax.plot(f, y, lw=1.8, label=label, **style(i))
        data.extend((m, x, v) for x, v in zip(f, y) if not math.isnan(v))
        if m in first:
            ax.axvline(first[m], lw=0.8, ls=":", **{"color": style(i)["color"]})
            data.append((f"first saturation {m}", first[m], 0.0))
        column = f"precipitated({m}) [mol/kg starting water]"
        if column in rows[0]:
            p = [number(r.get(column, "")) for r in rows]
            shown = [(x, v) for x, v in zip(f, p) if not math.isnan(v) and v > 0]
            if shown:
                amounts.plot([x for x, _ in shown], [v for _, v in shown], lw=1.8, label=m, **style(i))
                data.extend((f"precipitated {m}", x, v) for x, v in shown)
    ax.axhline(0.0, color="black", lw=0.9)
    ax.set_xscale("log")
    ax.set_ylabel("log Q/K")
    ax.set_ylim(*args.ylim)
    what = "; ".join(([f"{info['path']} path"] if info["path"] else []) +
                     ([f"activity model: {info['model']}"] if info["model"] else []))
    ax.set_title(title_of(info["titles"], what), fontsize=11)
    ax.grid(alpha=0.3, which="both")
    ax.legend(loc="center left", bbox_to_anchor=(1.01, 0.5), fontsize=9, frameon=False)
    amounts.set_yscale("log")
    amounts.set_xlabel("concentration factor (starting mass of water / mass of water left)")
    amounts.set_ylabel("precipitated\n(mol/kg starting water)")
    amounts.grid(alpha=0.3, which="both")
    if amounts.lines:
        amounts.legend(loc="center left", bbox_to_anchor=(1.01, 0.5), fontsize=9, frameon=False)
    return fig

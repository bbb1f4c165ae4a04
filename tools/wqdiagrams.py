"""The diagrams hydrogeologists draw of a set of waters, for tools/wqplot:

    wqplot piper|stiff|schoeller INPUT --out FILE.png|FILE.svg [--data-out FILE.csv]

- piper: the Piper (1944) trilinear diagram: the cation triangle on the left
  (Ca, Mg, Na + K), the anion triangle on the right (HCO3 + CO3, SO4, Cl),
  each water in both at its percentages of milliequivalents, and projected
  into the diamond between them (left corner Ca-HCO3 waters, right Na-Cl);
- stiff: a Stiff (1951) pattern of each water: cations to the left of the
  axis, anions to the right, in milliequivalents, Na + K / Cl at the top,
  Ca / HCO3 + CO3 in the middle, Mg / SO4 at the bottom;
- schoeller: the Schoeller (1962, Les eaux souterraines) semi-logarithmic plot of the six major
  ions of every water, one line per water.

INPUT is a table of waters as wqspec batch reads it (a CSV file whose
columns name the ions with their units: `Ca++ [mg/L]`, `alkalinity [mg/kg as
HCO3]`, ...), or the batch's JSON records (`--out FILE.json`), whose totals
(mol/kg water) and calculated alkalinity give the milliequivalents. A batch's
CSV records hold no totals, so they cannot be drawn. Amounts per kg are drawn
as per litre (the same within 0.3 % for waters under a few g/L; a Piper
diagram's percentages do not depend on it).
"""

import csv
import io
import json
import math
import re
import sys

import matplotlib.pyplot as plt
from matplotlib.ticker import MaxNLocator

# The ions of the diagrams: (label, charge, formula weight g/mol, the names a
# table may give it, in lower case). Formula weights: IUPAC standard atomic
# weights.
IONS = {
    "Ca": (2, 40.078, ("ca", "ca++", "ca+2", "ca2+", "calcium")),
    "Mg": (2, 24.305, ("mg", "mg++", "mg+2", "mg2+", "magnesium")),
    "Na": (1, 22.98977, ("na", "na+", "sodium")),
    "K": (1, 39.0983, ("k", "k+", "potassium")),
    "Cl": (1, 35.453, ("cl", "cl-", "chloride")),
    "SO4": (2, 96.0626, ("so4", "so4--", "so4-2", "so42-", "sulfate", "sulphate")),
    "HCO3": (1, 61.0168, ("hco3", "hco3-", "bicarbonate")),
    "CO3": (2, 60.0089, ("co3", "co3--", "co3-2", "co32-", "carbonate")),
}
DATABASE_NAMES = {"Ca": "Ca++", "Mg": "Mg++", "Na": "Na+", "K": "K+", "Cl": "Cl-", "SO4": "SO4--"}
# Alkalinity as a table gives it: meq per unit of each spelling.
ALKALINITY_MEQ = {"mg/l as hco3": 1 / 61.0168, "mg/kg as hco3": 1 / 61.0168, "mg/l as caco3": 1 / 50.0435,
                  "mg/kg as caco3": 1 / 50.0435, "meq/l": 1.0, "meq/kgw": 1.0, "meq/kg": 1.0, "eq/kgw": 1e3,
                  "eq/kg": 1e3, "eq/l": 1e3}
# Millimoles per unit of an amount (mass units then divided by the formula weight).
MMOL_PER_UNIT = {"mmol/l": 1.0, "mmol/kgw": 1.0, "mmol/kg": 1.0, "mol/l": 1e3, "mol/kgw": 1e3, "mol/kg": 1e3,
                 "umol/l": 1e-3, "µmol/l": 1e-3}
MG_PER_UNIT = {"mg/l": 1.0, "mg/kg": 1.0, "ppm": 1.0, "ug/l": 1e-3, "µg/l": 1e-3, "ppb": 1e-3}
MEQ_PER_UNIT = {"meq/l": 1.0, "meq/kgw": 1.0, "meq/kg": 1.0}
HEADER = re.compile(r"^\s*(.*?)\s*\[(.*)\]\s*$")
MARKERS = "oDs^v<>pPX*h"
H = math.sqrt(3) / 2  # height of a triangle of side 1
GAP = 0.2  # between the two triangles of a Piper diagram


class DiagramError(Exception):
    pass


def meq_of_cell(ion, unit, text):
    """Milliequivalents of an ion from a cell in its column's unit; None for a
    blank or unreadable cell (the ion absent)."""
    try:
        amount = float(text)
    except ValueError:
        return None
    if not math.isfinite(amount) or amount < 0:
        return None
    charge, weight, _ = IONS[ion]
    if unit in MG_PER_UNIT:
        return amount * MG_PER_UNIT[unit] / weight * charge
    if unit in MMOL_PER_UNIT:
        return amount * MMOL_PER_UNIT[unit] * charge
    if unit in MEQ_PER_UNIT:
        return amount * MEQ_PER_UNIT[unit]
    raise DiagramError(f"the unit [{unit}] of {ion} is not one the diagrams read")


def ion_of(name):
    key = name.strip().lower()
    for ion, (_, _, names) in IONS.items():
        if key in names:
            return ion
    return None


def table_columns(header):
    """(column index, ion or "alkalinity", unit) of the columns the diagrams read."""
    columns = []
    for k, cell in enumerate(header):
        m = HEADER.match(cell)
        if not m:
            continue
        name, unit = m.group(1), " ".join(m.group(2).lower().split())
        if name.strip().lower() in ("alkalinity", "alk"):
            if unit not in ALKALINITY_MEQ:
                raise DiagramError(f"the alkalinity unit [{m.group(2)}] is not one the diagrams read")
            columns.append((k, "alkalinity", unit))
        elif ion_of(name):
            columns.append((k, ion_of(name), unit))
    return columns


def waters_of_table(text):
    """[(name, {ion: meq/L})] of a table of waters."""
    rows = list(csv.reader(io.StringIO(text.lstrip("\ufeff"))))
    if not rows or "name" not in [c.strip().lower() for c in rows[0]]:
        raise DiagramError("a table of waters has a header line with a name column")
    header = rows[0]
    if "status" in [c.strip().lower() for c in header]:
        raise DiagramError("a batch's CSV records hold no totals: draw the table of waters, or the JSON records "
                           "(wqspec batch --out FILE.json)")
    name_at = [c.strip().lower() for c in header].index("name")
    columns = table_columns(header)
    waters = []
    for row in rows[1:]:
        if not any(c.strip() for c in row):
            continue
        meq = {}
        for k, ion, unit in columns:
            cell = row[k] if k < len(row) else ""
            if ion == "alkalinity":
                value = float(cell) * ALKALINITY_MEQ[unit] if number_text(cell) else None
            else:
                value = meq_of_cell(ion, unit, cell)
            if value is not None:
                meq[ion] = meq.get(ion, 0.0) + value
        waters.append((row[name_at] if name_at < len(row) else "", meq))
    return waters


def number_text(text):
    try:
        return math.isfinite(float(text))
    except ValueError:
        return False


def waters_of_records(records):
    """[(name, {ion: meq/kg water})] of the batch's JSON records that have totals."""
    if not isinstance(records, list):
        raise DiagramError("the JSON records of a batch are an array of waters")
    waters = []
    for r in records:
        totals = r.get("totals") if isinstance(r, dict) else None
        if not totals:
            continue
        meq = {}
        for ion, species in DATABASE_NAMES.items():
            if species in totals and totals[species].get("molality") is not None:
                meq[ion] = 1e3 * IONS[ion][0] * totals[species]["molality"]
        alkalinity = r.get("calculated_alkalinity")
        if alkalinity is not None:
            meq["alkalinity"] = max(0.0, 1e3 * alkalinity)
        waters.append((str(r.get("name", "")), meq))
    return waters


def major_ions(meq):
    """The six groups of the diagrams, meq: Na + K, Ca, Mg, Cl, HCO3 + CO3, SO4."""
    carbonate = meq["alkalinity"] if "alkalinity" in meq else meq.get("HCO3", 0.0) + meq.get("CO3", 0.0)
    return {"Na+K": meq.get("Na", 0.0) + meq.get("K", 0.0), "Ca": meq.get("Ca", 0.0), "Mg": meq.get("Mg", 0.0),
            "Cl": meq.get("Cl", 0.0), "HCO3+CO3": carbonate, "SO4": meq.get("SO4", 0.0)}


def read_waters(text):
    """The waters of an input and the unit of their amounts."""
    stripped = text.lstrip("\ufeff \t\r\n")
    if stripped.startswith("["):
        waters, unit = waters_of_records(json.loads(stripped)), "meq/kg water"
    else:
        waters, unit = waters_of_table(text), "meq/L"
    waters = [(name, major_ions(meq)) for name, meq in waters]
    waters = [(n, m) for n, m in waters if any(v > 0 for v in m.values())]
    if not waters:
        raise DiagramError("no water with any of Ca, Mg, Na, K, Cl, SO4 or an alkalinity to draw")
    return waters, unit


def style(k):
    return {"color": plt.get_cmap("tab20")(k % 20), "marker": MARKERS[k % len(MARKERS)]}


def legend(fig, ax, handles):
    ax.legend(handles=handles, loc="upper left", bbox_to_anchor=(1.01, 1.0), fontsize=7, frameon=False,
              ncol=1 if len(handles) <= 30 else 2)


# --- Piper -----------------------------------------------------------------

def cation_point(ca, mg, nak):
    return nak + 0.5 * mg, H * mg


def anion_point(carbonate, so4, cl):
    return 1 + GAP + cl + 0.5 * so4, H * so4


def diamond_point(camg, so4cl):
    """Ca + Mg and SO4 + Cl as fractions: left corner Ca-HCO3, top Ca-SO4/Cl."""
    bx, by = 1 + GAP / 2, GAP * H
    return bx - 0.5 * camg + 0.5 * so4cl, by + H * camg + H * so4cl


def draw_piper_frame(ax):
    grid = {"color": "0.85", "lw": 0.6}
    edge = {"color": "0.2", "lw": 1.0}
    ticks = (0.2, 0.4, 0.6, 0.8)
    for point, names in ((cation_point, ("Ca", "Mg", "Na + K")), (anion_point, ("HCO3 + CO3", "SO4", "Cl"))):
        corners = [point(1, 0, 0), point(0, 1, 0), point(0, 0, 1)]
        for f in ticks:
            for a, b in ((point(f, 1 - f, 0), point(f, 0, 1 - f)), (point(1 - f, f, 0), point(0, f, 1 - f)),
                         (point(1 - f, 0, f), point(0, 1 - f, f))):
                ax.plot([a[0], b[0]], [a[1], b[1]], **grid)
        xs, ys = zip(*(corners + corners[:1]))
        ax.plot(xs, ys, **edge)
        # Each edge tells the percent of the species it rises to, the
        # triangles mirror each other: Ca along the cations' base (to the
        # left), Cl along the anions' (to the right).
        outer_left = point is cation_point
        for f in ticks:
            pct = f"{100 * f:.0f}"
            x, y = point(f, 0, 1 - f) if outer_left else point(1 - f, 0, f)
            ax.text(x, y - 0.03, pct, ha="center", va="top", fontsize=6)
            x, y = point(1 - f, f, 0) if outer_left else point(f, 1 - f, 0)
            ax.text(x - 0.03, y, pct, ha="right", va="center", fontsize=6)
            x, y = point(0, 1 - f, f) if outer_left else point(0, f, 1 - f)
            ax.text(x + 0.03, y, pct, ha="left", va="center", fontsize=6)
        (x0, y0), (x1, y1), (x2, y2) = corners
        ax.text(x0 - (0.0 if outer_left else -0.02), y0 - 0.09, names[0], ha="center" if outer_left else "left",
                va="top", fontsize=9, weight="bold")
        ax.text(x1, y1 + 0.03, names[1], ha="center", va="bottom", fontsize=9, weight="bold")
        ax.text(x2 - (0.02 if outer_left else 0.0), y2 - 0.09, names[2], ha="right" if outer_left else "center",
                va="top", fontsize=9, weight="bold")
    ax.text(0.5, -0.2, "cations, % meq", ha="center", va="top", fontsize=8)
    ax.text(1.5 + GAP, -0.2, "anions, % meq", ha="center", va="top", fontsize=8)
    for f in ticks:
        for a, b in ((diamond_point(f, 0), diamond_point(f, 1)), (diamond_point(0, f), diamond_point(1, f))):
            ax.plot([a[0], b[0]], [a[1], b[1]], **grid)
    corners = [diamond_point(0, 0), diamond_point(1, 0), diamond_point(1, 1), diamond_point(0, 1)]
    xs, ys = zip(*(corners + corners[:1]))
    ax.plot(xs, ys, **edge)
    for f in ticks:
        x, y = diamond_point(1, f)
        ax.text(x - 0.03, y, f"{100 * f:.0f}", ha="right", va="center", fontsize=6)
        x, y = diamond_point(f, 1)
        ax.text(x + 0.03, y, f"{100 * f:.0f}", ha="left", va="center", fontsize=6)
    (lx, ly), (tx, ty), (rx, ry) = diamond_point(1, 0), diamond_point(1, 1), diamond_point(0, 1)
    ax.text((lx + tx) / 2 - 0.1, (ly + ty) / 2, "SO4 + Cl", rotation=60, ha="center", va="center", fontsize=8)
    ax.text((tx + rx) / 2 + 0.1, (ty + ry) / 2, "Ca + Mg", rotation=-60, ha="center", va="center", fontsize=8)


def plot_piper(waters, unit, data):
    fig, ax = plt.subplots(figsize=(11, 9.5))
    draw_piper_frame(ax)
    handles = []
    for k, (name, ions) in enumerate(waters):
        cations = ions["Ca"] + ions["Mg"] + ions["Na+K"]
        anions = ions["HCO3+CO3"] + ions["SO4"] + ions["Cl"]
        if cations <= 0 or anions <= 0:
            continue
        ca, mg, nak = ions["Ca"] / cations, ions["Mg"] / cations, ions["Na+K"] / cations
        hco3, so4, cl = ions["HCO3+CO3"] / anions, ions["SO4"] / anions, ions["Cl"] / anions
        s = dict(style(k), ms=6, ls="none", mec="0.2", mew=0.4)
        points = (cation_point(ca, mg, nak), anion_point(hco3, so4, cl), diamond_point(ca + mg, so4 + cl))
        xs, ys = zip(*points)
        handles.append(ax.plot(xs, ys, label=name, **s)[0])
        for ion, f in (("Ca", ca), ("Mg", mg), ("Na+K", nak), ("HCO3+CO3", hco3), ("SO4", so4), ("Cl", cl)):
            data.append((name, ion + " %meq", 100 * f))
    ax.set_aspect("equal")
    ax.axis("off")
    ax.set_xlim(-0.15, 2.35)
    ax.set_ylim(-0.3, 2 * H + GAP * H + 0.1)
    legend(fig, ax, handles)
    ax.set_title(f"Piper diagram of {len(handles)} waters (percent of {unit})", fontsize=11)
    return fig


# --- Stiff -----------------------------------------------------------------

STIFF_ROWS = (("Na+K", "Cl"), ("Ca", "HCO3+CO3"), ("Mg", "SO4"))


def plot_stiff(waters, unit, data):
    columns = min(5, len(waters))
    rows = math.ceil(len(waters) / columns)
    fig, axes = plt.subplots(rows, columns, figsize=(3.2 * columns, 1.9 * rows), squeeze=False)
    for k, (name, ions) in enumerate(waters):
        ax = axes[k // columns][k % columns]
        levels = (2, 1, 0)
        left = [(-ions[c], y) for (c, _), y in zip(STIFF_ROWS, levels)]
        right = [(ions[a], y) for (_, a), y in zip(STIFF_ROWS, levels)]
        outline = right + left[::-1]
        xs, ys = zip(*(outline + outline[:1]))
        ax.fill(xs, ys, color=style(k)["color"], alpha=0.6, lw=0)
        ax.plot(xs, ys, color="0.2", lw=0.8)
        reach = 1.15 * max(max(abs(x) for x in xs), 1e-12)
        ax.set_xlim(-reach, reach)
        ax.set_ylim(-0.5, 2.5)
        ax.axvline(0, color="0.3", lw=0.6)
        ax.set_yticks(levels)
        ax.set_yticklabels([c for c, _ in STIFF_ROWS], fontsize=6)
        for (_, a), y in zip(STIFF_ROWS, levels):
            ax.text(1.02, y, a, transform=ax.get_yaxis_transform(), ha="left", va="center", fontsize=6)
        ax.xaxis.set_major_locator(MaxNLocator(nbins=4, symmetric=True))
        ax.tick_params(axis="x", labelsize=6)
        ax.set_xlabel(unit, fontsize=6, labelpad=1)
        ax.set_title(name if len(name) <= 40 else name[:39] + "…", fontsize=7)
        for c, a in STIFF_ROWS:
            data.append((name, c, ions[c]))
            data.append((name, a, ions[a]))
    for k in range(len(waters), rows * columns):
        axes[k // columns][k % columns].axis("off")
    fig.suptitle(f"Stiff diagrams: cations left, anions right, {unit} (each on its own scale)", fontsize=10)
    fig.subplots_adjust(left=0.05, right=0.95, bottom=0.06, top=1 - 0.35 / rows, wspace=0.55, hspace=0.75)
    return fig


# --- Schoeller -------------------------------------------------------------

SCHOELLER_IONS = ("Ca", "Mg", "Na+K", "Cl", "SO4", "HCO3+CO3")


def plot_schoeller(waters, unit, data):
    fig, ax = plt.subplots(figsize=(10, 6))
    for k, (name, ions) in enumerate(waters):
        ys = [ions[i] if ions[i] > 0 else math.nan for i in SCHOELLER_IONS]
        ax.plot(range(len(SCHOELLER_IONS)), ys, label=name, lw=1.0, ms=4, **style(k))
        data.extend((name, i, y) for i, y in zip(SCHOELLER_IONS, ys) if not math.isnan(y))
    ax.set_yscale("log")
    ax.set_xticks(range(len(SCHOELLER_IONS)))
    ax.set_xticklabels(["Ca", "Mg", "Na + K", "Cl", "SO4", "HCO3 + CO3"])
    ax.set_ylabel(unit)
    ax.grid(True, which="both", color="0.9", lw=0.5)
    ax.set_title(f"Schoeller diagram of {len(waters)} waters", fontsize=11)
    legend(fig, ax, ax.get_lines())
    return fig


DIAGRAMS = {"piper": plot_piper, "stiff": plot_stiff, "schoeller": plot_schoeller}


def draw(kind, text, data):
    """The figure of one kind of diagram of the waters of an input text."""
    waters, unit = read_waters(text)
    return DIAGRAMS[kind](waters, unit, data)


def write_data(path, data):
    with open(path, "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f)
        w.writerow(["series", "x", "y"])
        w.writerows((s, x, repr(float(y))) for s, x, y in data)


def main(argv, parser_class):
    """`wqplot KIND INPUT --out FILE`: the diagram drawn, 0; 1 for an input it
    cannot draw, told in one line."""
    kind = argv[0]
    parser = parser_class(prog=f"wqplot {kind}", description=__doc__.split("\n\n")[0])
    parser.add_argument("input", help="a table of waters (CSV with units) or a batch's JSON records")
    parser.add_argument("--out", required=True, help="the picture, .png or .svg")
    parser.add_argument("--data-out", default="", help="also write the plotted numbers as CSV")
    args = parser.parse_args(argv[1:])
    if not args.out.endswith((".png", ".svg")):
        parser.error("--out must end in .png or .svg")
    try:
        with open(args.input, encoding="utf-8", errors="replace") as f:
            text = f.read()
        data = []
        fig = draw(kind, text, data)
        fig.savefig(args.out, dpi=100, bbox_inches="tight")
        plt.close(fig)
        if args.data_out:
            write_data(args.data_out, data)
    except (OSError, DiagramError, json.JSONDecodeError, csv.Error) as e:
        print(f"wqplot: {args.input}: {' '.join(str(e).split())}", file=sys.stderr)
        return 1
    print(f"wqplot: wrote {args.out} ({kind})")
    return 0

"""wqplot's picture of a temperature sweep (`wqspec sweep`): log Q/K of the
chosen minerals against temperature with the estimate and its range, the
statistics of the estimate below; a reconstructed fluid's curves solid beside
those of the analysis as sampled."""

import csv
import io
import math
import re

import matplotlib.pyplot as plt

from wqplot_common import InputError, number, split_names, style, title_of


def read_sweep(text):
    comments = [l for l in text.splitlines() if l.startswith("#")]
    body = "\n".join(l for l in text.splitlines() if not l.startswith("#"))
    rows = list(csv.DictReader(io.StringIO(body)))
    if not rows:
        raise InputError("the sweep table has no rows")
    if "T [C]" not in rows[0]:
        raise InputError("the sweep table has no column T [C]")
    second = comments[1][1:].strip() if len(comments) > 1 else ""
    info = {"titles": [comments[0][len("# wqspec sweep:"):].strip(), second]}
    for c in comments:
        if c.startswith("# chosen minerals:"):
            info["chosen"] = [n.strip() for n in c.split(":", 1)[1].split(";") if n.strip()]
        m = re.match(r"# Na-K-Ca temperature: ([-0-9.]+) C", c)
        if m:
            info["nakca"] = float(m.group(1))
        if c.startswith("# estimate:"):
            info["estimate"] = c
            info.update(estimate_of(c))
        if c.startswith("# reconstruction:"):
            estimate = estimate_of(c)
            if estimate:
                info["reconstructed"] = estimate
            elif "left out" not in c and "no spread" not in c:
                info["parameters"] = c.split(":", 1)[1].strip()
    sweep = [r for r in rows if r.get("run") == "sweep"]
    info["reconstructed rows"] = [r for r in rows if r.get("run") == "reconstructed"]
    return info, sweep


def estimate_of(line):
    """The minima and the range of an estimate line; empty when it has none."""
    found = {}
    m = re.search(r"median \|log Q/K\| smallest at T = ([-0-9.]+) C \(([-0-9.]+)\)", line)
    if m:
        found["median_t"], found["median"] = float(m.group(1)), float(m.group(2))
    m = re.search(r"RMS log Q/K smallest at T = ([-0-9.]+) C \(([-0-9.]+)\)", line)
    if m:
        found["rms_t"], found["rms"] = float(m.group(1)), float(m.group(2))
    m = re.search(r"for T = ([-0-9.]+) to ([-0-9.]+) C", line)
    if m:
        found["range"] = (float(m.group(1)), float(m.group(2)))
    return found


def plot_sweep(text, args, data):
    """The sweep's curves; with a reconstructed fluid in the table, its curves
    solid beside those of the analysis as sampled, dashed and thin."""
    info, rows = read_sweep(text)
    rebuilt = info["reconstructed rows"]
    known = [k[3:-1] for k in rows[0].keys() if isinstance(k, str) and k.startswith("SI(")]
    minerals = split_names(args.minerals, set(known)) if args.minerals else info.get("chosen", [])
    if not minerals:
        raise InputError("the sweep names no chosen minerals; give --minerals")
    t = [number(r["T [C]"]) for r in rows]
    tr = [number(r["T [C]"]) for r in rebuilt]
    fig, (ax, stats) = plt.subplots(2, 1, figsize=(10, 7.5), sharex=True,
                                    gridspec_kw={"height_ratios": [3, 1.2]})
    shown = info.get("reconstructed", info) if rebuilt else info
    if "range" in shown:
        for a in (ax, stats):
            a.axvspan(*shown["range"], color="#f4d03f", alpha=0.25, lw=0)
    for i, m in enumerate(minerals):
        y = [number(r.get(f"SI({m})", "")) for r in rows]
        if rebuilt:
            ax.plot(t, y, lw=0.9, ls="--", alpha=0.75, color=style(i)["color"])
            yr = [number(r.get(f"SI({m})", "")) for r in rebuilt]
            ax.plot(tr, yr, lw=1.8, ls="-", color=style(i)["color"], label=m)
            data.extend((f"{m} (reconstructed)", x, v) for x, v in zip(tr, yr) if not math.isnan(v))
        else:
            ax.plot(t, y, lw=1.8, label=m, **style(i))
        data.extend((m, x, v) for x, v in zip(t, y) if not math.isnan(v))
    ax.axhline(0.0, color="black", lw=0.9)
    marks = []
    if rebuilt and "rms_t" in shown:
        marks.append((shown["rms_t"], "black", "-", f"reconstructed {shown['rms_t']:.0f} °C (min. RMS)"))
        data.append(("reconstructed estimate RMS", shown["rms_t"], shown["rms"]))
        if "rms_t" in info:
            marks.append((info["rms_t"], "#7f8c8d", "--", f"as sampled {info['rms_t']:.0f} °C (min. RMS)"))
    elif "rms_t" in info:
        marks.append((info["rms_t"], "black", "-", f"estimate {info['rms_t']:.0f} °C (min. RMS)"))
    if "rms_t" in info:
        data.append(("estimate RMS", info["rms_t"], info["rms"]))
    if "median_t" in shown:
        marks.append((shown["median_t"], "black", ":", f"{shown['median_t']:.0f} °C (min. median |log Q/K|)"))
        data.append(("estimate median", shown["median_t"], shown["median"]))
    if "nakca" in info:
        marks.append((info["nakca"], "#7d3c98", "--", f"Na-K-Ca {info['nakca']:.0f} °C"))
        data.append(("Na-K-Ca", info["nakca"], 0.0))
    if "range" in shown:
        data.append(("estimate range", shown["range"][0], shown["range"][1]))
    for x, colour, ls, label in marks:
        for a in (ax, stats):
            a.axvline(x, color=colour, ls=ls, lw=1.3, label=label if a is ax else None)
    if rebuilt:
        ax.plot([], [], color="#555555", lw=1.8, label="solid: reconstructed fluid")
        ax.plot([], [], color="#555555", lw=0.9, ls="--", label="dashed: as sampled")
    for column, label, colour in (("median |SI| chosen", "median |log Q/K|", "#117a65"),
                                  ("RMS SI chosen", "RMS log Q/K", "#873600")):
        y = [number(r.get(column, "")) for r in rows]
        if rebuilt:
            stats.plot(t, y, lw=0.9, ls="--", color=colour)
            yr = [number(r.get(column, "")) for r in rebuilt]
            stats.plot(tr, yr, lw=1.8, color=colour, label=label)
            data.extend((f"{label} (reconstructed)", x, v) for x, v in zip(tr, yr) if not math.isnan(v))
        else:
            stats.plot(t, y, lw=1.8, color=colour, label=label)
        data.extend((label, x, v) for x, v in zip(t, y) if not math.isnan(v))
    ax.set_ylabel("log Q/K")
    ax.set_ylim(*args.ylim)
    what = ("reconstructed: " + info["parameters"]) if rebuilt and "parameters" in info else ""
    ax.set_title(title_of(info["titles"], what), fontsize=10 if what else 11)
    ax.grid(alpha=0.3)
    ax.legend(loc="center left", bbox_to_anchor=(1.01, 0.5), fontsize=9, frameon=False)
    stats.set_xlabel("Temperature (°C)")
    stats.set_ylabel("log Q/K statistic")
    stats.set_ylim(0, args.ylim[1])
    stats.grid(alpha=0.3)
    stats.legend(loc="center left", bbox_to_anchor=(1.01, 0.5), fontsize=9, frameon=False)
    if "range" in shown:
        stats.text(0.01, 0.92, f"shaded: RMS within 0.1 of its minimum, {shown['range'][0]:.0f}-{shown['range'][1]:.0f} °C",
                   transform=stats.transAxes, fontsize=8.5, va="top")
    return fig

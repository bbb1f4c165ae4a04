"""What wqplot's pictures share: the one error of a malformed input, the
reading of numbers and names, the colours and the titles."""

import math

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402


class InputError(Exception):
    """A malformed input: told in one line, status 1."""


def number(text):
    """A finite number, or NaN for anything else (an empty or missing cell)."""
    try:
        v = float(text)
    except (TypeError, ValueError):
        return math.nan
    return v if math.isfinite(v) else math.nan


def one_line(text):
    return " ".join(str(text).split())


def split_names(text, known):
    """NAME,NAME,...; a name may hold a comma itself (Albite,low): pieces are
    joined back where the joined name is known, the longest first."""
    pieces = [p.strip() for p in text.split(",")]
    names, i = [], 0
    while i < len(pieces):
        for end in range(len(pieces), i, -1):
            name = ",".join(pieces[i:end])
            if name in known:
                break
        else:
            raise InputError(f"unknown mineral {pieces[i]!r}: not among the minerals of the input")
        if name not in names:
            names.append(name)
        i = end
    return names


def style(index):
    colours = plt.get_cmap("tab10").colors
    return {"color": colours[index % 10], "linestyle": ["-", "--", "-.", ":"][index // 10 % 4]}


def title_of(titles, what):
    lines = [t for t in titles[:2] if t] + ([what] if what else [])
    return "\n".join(lines)

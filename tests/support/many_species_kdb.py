"""Writes a database with more aqueous species than the console program's 600
positions hold: the small test database (tests/data/small.kdb) with COUNT
made-up trace species added before the record that ends its aqueous species.
Each trace species is Na+ under another name, with log K 30 at every
temperature of the saturation curve, so that it holds 1e-30 of the sodium's
activity: a water computed on this database is the water of small.kdb, with
every trace species in its table.

    python3 many_species_kdb.py OUT [COUNT]      (COUNT default 700)
"""
import os
import sys

SMALL = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "data", "small.kdb")
SEPARATOR = "-" * 60
SODIUM = 13  # the database number of Na+


def trace_species(k):
    """The five lines of trace species k: separator, name (short table on the
    saturation curve: blank range code), charge/size/alkalinity, reaction
    (I3, then F10.3 and I2 per term), the eight log K values."""
    return [SEPARATOR,
            ("Trace-%04d" % k).ljust(94),
            "          1                4.00           0.000",
            " 1 %10.3f%2d" % (1.0, SODIUM),
            " " + " ".join(["30.0"] * 8)]


def with_trace_species(lines, count):
    """The lines of the database with `count` trace species before the end
    record of the aqueous species (a separator line, then a blank name)."""
    for i in range(len(lines) - 1):
        if lines[i] == SEPARATOR and not lines[i + 1][:20].strip():
            added = [line for k in range(1, count + 1) for line in trace_species(k)]
            return lines[:i] + added + lines[i:]
    raise ValueError("no end record of the aqueous species in " + SMALL)


def write(path, count=700):
    with open(SMALL, encoding="latin-1", newline="") as f:
        lines = f.read().split("\n")
    with open(path, "w", encoding="latin-1", newline="") as f:
        f.write("\n".join(with_trace_species(lines, count)))


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    write(sys.argv[1], int(sys.argv[2]) if len(sys.argv) == 3 else 700)

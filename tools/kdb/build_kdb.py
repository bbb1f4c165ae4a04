#!/usr/bin/python3
"""Build the thermodynamic database LOGKDATA.KDB of wqspec from published
thermodynamic data (SUPCRT92 slop98 data set, HKF81 tables).

    /usr/bin/python3 tools/kdb/build_kdb.py [--thermo DIR] [--output FILE]

Defaults: the data directory ../shared/thermo and the output
examples/LOGKDATA.KDB, both relative to the repository root.  Needs numpy
and iapws (tools/kdb/install-deps.sh).
"""

import argparse
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

from wqkdb import build, writer  # noqa: E402


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--thermo", default=os.path.join(REPO, "..", "shared", "thermo"),
                    help="directory of supcrt98.xml and the HKF81 tables "
                         "(default: ../shared/thermo from the repository root)")
    ap.add_argument("--output", default=os.path.join(REPO, "examples", "LOGKDATA.KDB"),
                    help="database file to write (default: examples/LOGKDATA.KDB)")
    ap.add_argument("--left-out", action="store_true",
                    help="list the entries of the data set that were left out, and why")
    ap.add_argument("-q", "--quiet", action="store_true")
    args = ap.parse_args(argv)

    t0 = time.time()
    say = (lambda m: None) if args.quiet else (
        lambda m: print("[%6.1f s] %s" % (time.time() - t0, m), flush=True))
    db = build.build(os.path.normpath(args.thermo), progress=say)
    n = writer.write(db, args.output)
    ngas = sum(1 for e in db.solids if e["kind"] == "gas")
    say("wrote %s: %d lines; %d components, %d aqueous species, %d minerals, %d gases"
        % (args.output, n, len(db.components), len(db.aqueous),
           len(db.solids) - ngas, ngas))
    kept = build.kept_with_every_component(db)
    say("a run with all %d components keeps %d aqueous species (%d positions with the "
        "components)" % (len(db.components), kept, kept + len(db.components)))
    if args.left_out:
        for name, kind, why in db.left_out:
            print("left out  %-8s %-22s %s" % (kind, name, why))
    return 0


if __name__ == "__main__":
    sys.exit(main())

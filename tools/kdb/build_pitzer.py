#!/usr/bin/python3
"""Build the Pitzer database of wqspec (examples/pitzer/LOGKDATA.KDB and its
interaction parameters examples/pitzer/PITZER.DAT) from the Pitzer data set
pitzer.dat.

    /usr/bin/python3 tools/kdb/build_pitzer.py [--thermo DIR] [--output-dir DIR]
                                               [--bundled FILE]

Defaults: the data directory ../shared/thermo, the output directory
examples/pitzer and the bundled database examples/LOGKDATA.KDB (whose
activity-model tables and component lines the Pitzer database repeats), all
relative to the repository root.  Needs only the Python standard library.
"""

import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

from wqkdb import pitzer  # noqa: E402


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--thermo", default=os.path.join(REPO, "..", "shared", "thermo"),
                    help="directory of pitzer.dat (default: ../shared/thermo from the "
                         "repository root)")
    ap.add_argument("--output-dir", default=os.path.join(REPO, "examples", "pitzer"),
                    help="directory to write LOGKDATA.KDB and PITZER.DAT into "
                         "(default: examples/pitzer)")
    ap.add_argument("--bundled", default=os.path.join(REPO, "examples", "LOGKDATA.KDB"),
                    help="the bundled database (default: examples/LOGKDATA.KDB)")
    ap.add_argument("-q", "--quiet", action="store_true")
    args = ap.parse_args(argv)

    db = pitzer.build(os.path.join(os.path.normpath(args.thermo), "pitzer.dat"))
    os.makedirs(args.output_dir, exist_ok=True)
    kdb = os.path.join(args.output_dir, "LOGKDATA.KDB")
    par = os.path.join(args.output_dir, "PITZER.DAT")
    n = pitzer.write_kdb(db, kdb, args.bundled)
    m = pitzer.write_parameters(db, par)
    if not args.quiet:
        ngas = sum(1 for e in db.solids if e["kind"] == "gas")
        print("wrote %s: %d lines; %d components, %d aqueous species, %d minerals, %d gases"
              % (kdb, n, len(db.components), len(db.aqueous), len(db.solids) - ngas, ngas))
        print("wrote %s: %d lines; %d parameters" % (par, m, len(db.parameters)))
    return 0


if __name__ == "__main__":
    sys.exit(main())

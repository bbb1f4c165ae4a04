#!/usr/bin/python3
"""Writes the table of component numbers into docs/run-input.md.

The run input names each component by its database number: its position in
the component-species section of LOGKDATA.KDB.  The table in the user guide is
made from that section, so that it always tells the numbers of the database
that ships with the program.

    /usr/bin/python3 tools/component_table.py           # rewrite the block
    /usr/bin/python3 tools/component_table.py --check   # fail when stale

Only the block between the two marker lines of the document is touched.
"""

import argparse
import difflib
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BEGIN = ("<!-- BEGIN component table: written by tools/component_table.py "
         "from examples/LOGKDATA.KDB; do not edit by hand -->")
END = "<!-- END component table -->"
MAX_COMPONENTS = 70

# Numbers whose meaning is fixed by the program itself, whatever species the
# database puts there.
ROLES = {
    1: "hydrogen ion: the pH (always first)",
    2: "water: its total is the mass of water in kg (always second)",
    3: "chloride of the water-activity model; NaCl note",
    4: "sulfate of the water-activity model; Eh from the sulfide-sulfate couple; SO4-2 literal line",
    5: "carbonate: added by itself when an alkalinity is given (AL)",
    6: "sulfide: Eh from the sulfide-sulfate couple; HS- literal line; never with 31",
    9: "calcium of the Na-K-Ca geothermometer",
    10: "divalent cation of the water-activity model",
    12: "potassium of the Na-K-Ca geothermometer",
    13: "sodium of the Na-K-Ca geothermometer; NaCl note",
    31: "dissolved oxygen: Eh from the oxygen couple; never with 6",
    45: "as a component, suppresses CH4,aq and the other organic species",
    46: "as a component, suppresses the species H2,aq",
    47: "as a component, suppresses the species N2,aq",
    48: "as a component, suppresses the species NH3,aq",
}


def implied(field, decimals):
    """A fixed-column real: blanks ignored, implied decimals without a point."""
    text = field.strip()
    if not text:
        return 0.0
    if "." in text or "E" in text.upper() or "D" in text.upper():
        return float(text.upper().replace("D", "E"))
    return int(text) / 10 ** decimals


def read_components(path):
    """The component-species lines of the database, in database-number order."""
    with open(path, encoding="latin-1") as f:
        lines = f.read().split("\n")
    at = next((i for i, l in enumerate(lines) if l[:8] == "********"), None)
    if at is None:
        raise SystemExit(f"{path}: no line starting with ******** (end of the preamble)")
    at = next((i for i in range(at, len(lines)) if lines[i][:8] == "H+      "), None)
    if at is None:
        raise SystemExit(f"{path}: no component line starting with H+")
    components = []
    for line in lines[at:]:
        if not line[:8].strip():
            break
        line = line.ljust(55)
        components.append({
            "number": len(components) + 1,
            "name": line[0:20].strip(),
            "charge": int(implied(line[20:22], 0)),
            "formula_weight": implied(line[39:47], 4),
            "alkalinity": implied(line[47:55], 4),
        })
    if len(components) > MAX_COMPONENTS:
        raise SystemExit(f"{path}: {len(components)} component lines; the program reads "
                         f"at most {MAX_COMPONENTS}")
    return components


def table(components):
    rows = [BEGIN,
            "",
            "| no. | species | charge | g/mol | alkalinity factor | fixed role in the program |",
            "|---:|---|---:|---:|---:|---|"]
    for c in components:
        rows.append("| {number} | `{name}` | {charge:+d} | {formula_weight:.4f} | {alkalinity:g} | {role} |"
                    .format(role=ROLES.get(c["number"], ""), **c).replace("| +0 |", "| 0 |"))
    rows += ["", END]
    return "\n".join(rows)


def replace_block(doc, block):
    start, end = doc.find(BEGIN), doc.find(END)
    if start < 0 or end < start:
        raise SystemExit("the document has no component-table markers:\n  " + BEGIN + "\n  " + END)
    return doc[:start] + block + doc[end + len(END):]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--database", default=os.path.join(ROOT, "examples", "LOGKDATA.KDB"))
    parser.add_argument("--doc", default=os.path.join(ROOT, "docs", "run-input.md"))
    parser.add_argument("--check", action="store_true",
                        help="change nothing; exit 1 when the document's table is stale")
    args = parser.parse_args()

    with open(args.doc, encoding="utf-8") as f:
        doc = f.read()
    new = replace_block(doc, table(read_components(args.database)))
    if new == doc:
        return 0
    if args.check:
        sys.stdout.writelines(difflib.unified_diff(doc.splitlines(True), new.splitlines(True),
                                                   args.doc, "from " + args.database))
        print(f"\n{args.doc}: the component table does not match {args.database}; "
              "run /usr/bin/python3 tools/component_table.py", file=sys.stderr)
        return 1
    with open(args.doc, "w", encoding="utf-8") as f:
        f.write(new)
    print(f"{args.doc}: component table rewritten")
    return 0


if __name__ == "__main__":
    sys.exit(main())

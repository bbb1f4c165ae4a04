#!/usr/bin/env python3
"""Brings the quoted program output in docs/*.md up to date.

A block marked <!-- output: CASE FILE --> quotes lines of what the program
writes for CASE (a folder with WQCASE.DAT and answers) into FILE (WQLIST.DAT,
WQGRAPH.DAT, Skip_Species.txt or console). After a change of the bundled
database the numbers move; this tool runs every quoted case and replaces each
block by the lines now at the same place: the place is found by the first
line of the block that is still there word for word, or else by the first
line whose text, numbers left out, is unchanged (a table heading, a row name).

Usage: tools/refresh-doc-excerpts.py [--program build/release/wqspec]
The docs test (Docs.EveryQuotedFileAndOutputIsWhatTheProgramHasAndWrites)
then shows whether every block holds.
"""
import argparse
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parent.parent
MARK = re.compile(r"<!-- output: (\S+) (\S+) -->")
NUMBER = re.compile(r"[-+]?(\d+\.?\d*|\.\d+)([EeDd][-+]?\d+)?")


def run_case(program, case):
    folder = ROOT / case
    with tempfile.TemporaryDirectory() as work:
        work = pathlib.Path(work)
        shutil.copy(folder / "WQCASE.DAT", work / "WQCASE.DAT")
        database = (ROOT / "examples" / "LOGKDATA.KDB").read_text("latin-1").split("\n")
        extra = folder / "minerals.add"
        if extra.exists():
            # The recipe's own minerals go in front of the section's end entry:
            # the last header line with a blank name, after its free line.
            end = max(i for i, l in enumerate(database) if len(l) > 20 and not l[:20].strip()) - 1
            database[end:end] = extra.read_text("latin-1").rstrip("\n").split("\n")
        (work / "LOGKDATA.KDB").write_text("\n".join(database), "latin-1")
        answers = folder / "answers"
        with open(answers if answers.exists() else "/dev/null", "rb") as stdin:
            console = subprocess.run([program], cwd=work, stdin=stdin, capture_output=True).stdout
        outputs = {"console": console.decode("latin-1")}
        for name in ("WQLIST.DAT", "WQGRAPH.DAT", "Skip_Species.txt"):
            path = work / name
            outputs[name] = path.read_text("latin-1") if path.exists() else ""
        return outputs


def shape(line):
    return NUMBER.sub("#", line.rstrip())


def refreshed(block, output):
    lines = [l.rstrip() for l in output.split("\n")]
    for offset, quoted in enumerate(block):
        if quoted.strip() and quoted.rstrip() in lines:
            start = lines.index(quoted.rstrip()) - offset
            break
    else:
        shapes = [shape(l) for l in lines]
        for offset, quoted in enumerate(block):
            if quoted.strip() and shape(quoted) in shapes:
                start = shapes.index(shape(quoted)) - offset
                break
        else:
            return None
    if start < 0 or start + len(block) > len(lines):
        return None
    return lines[start:start + len(block)]


def refresh(path, program, cache):
    text = path.read_text("utf-8").split("\n")
    changed = False
    i = 0
    while i < len(text):
        mark = MARK.search(text[i])
        if not mark or i + 1 >= len(text) or not text[i + 1].startswith("```"):
            i += 1
            continue
        case, name = mark.groups()
        end = i + 2
        while end < len(text) and not text[end].startswith("```"):
            end += 1
        if case not in cache:
            cache[case] = run_case(program, case)
        new = refreshed(text[i + 2:end], cache[case][name])
        if new is None:
            print(f"{path.name}:{i + 1}: no place found for the block of {case} {name}", file=sys.stderr)
        elif new != [l.rstrip() for l in text[i + 2:end]]:
            text[i + 2:end] = new
            changed = True
            print(f"{path.name}:{i + 1}: {case} {name} refreshed")
        i = end + 1
    if changed:
        path.write_text("\n".join(text), "utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", default=str(ROOT / "build" / "release" / "wqspec"))
    args = parser.parse_args()
    args.program = str(pathlib.Path(args.program).resolve())
    cache = {}
    for path in sorted((ROOT / "docs").glob("*.md")):
        refresh(path, args.program, cache)


if __name__ == "__main__":
    main()

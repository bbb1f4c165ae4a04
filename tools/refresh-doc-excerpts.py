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
A block marked <!-- help: SUBCOMMAND --> quotes the options of
`wqspec SUBCOMMAND --help` from the option on its first line to the one on
its last (the options every front end shares, made from one table, stand
together there), and is written anew from the help, so that an option added
to the table comes into the docs.

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
HELP = re.compile(r"<!-- help: (\S+) -->")
OPTION = re.compile(r"^\s*(--\S+)")
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


def help_lines(program, subcommand, block):
    """The lines of the subcommand's help from the option the block starts
    with to the one it ends with; None when the help has not both."""
    first, last = (OPTION.match(block[k]) if block else None for k in (0, -1))
    if not first or not last:
        return None
    shown = subprocess.run([program, subcommand, "--help"], capture_output=True, encoding="utf-8").stdout
    lines = [l.rstrip() for l in shown.split("\n")]
    flags = [OPTION.match(l).group(1) if OPTION.match(l) else None for l in lines]
    if first.group(1) not in flags or last.group(1) not in flags:
        return None
    return lines[flags.index(first.group(1)):flags.index(last.group(1)) + 1]


def quoted(mark, block, program, cache):
    """The block as the program has it now, or None."""
    help_mark = HELP.search(mark)
    if help_mark:
        return help_lines(program, help_mark.group(1), block)
    case, name = MARK.search(mark).groups()
    if case not in cache:
        cache[case] = run_case(program, case)
    return refreshed(block, cache[case][name])


def refresh(path, program, cache):
    text = path.read_text("utf-8").split("\n")
    changed = False
    i = 0
    while i < len(text):
        marked = MARK.search(text[i]) or HELP.search(text[i])
        if not marked or i + 1 >= len(text) or not text[i + 1].startswith("```"):
            i += 1
            continue
        end = i + 2
        while end < len(text) and not text[end].startswith("```"):
            end += 1
        new = quoted(text[i], text[i + 2:end], program, cache)
        what = marked.group(0)
        if new is None:
            print(f"{path.name}:{i + 1}: no place found for the block of {what}", file=sys.stderr)
        elif new != [l.rstrip() for l in text[i + 2:end]]:
            text[i + 2:end] = new
            changed = True
            print(f"{path.name}:{i + 1}: {what} refreshed")
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

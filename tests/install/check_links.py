#!/usr/bin/python3
"""Every relative link of the Markdown files named leads somewhere.

    check_links.py FILE.md ...

A link [text](target) or an image ![text](target) whose target is not a URL
must name a file or folder that exists beside the file (its anchor, after
'#', a heading of the target, as GitHub makes anchors of headings: lower
case, spaces as '-', punctuation other than '-' and '_' dropped). Links
inside code blocks and code spans are not links. Exits 1 naming every
broken link.
"""
import os
import re
import sys

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")


def prose(text):
    """The text less its fenced code blocks and code spans."""
    text = re.sub(r"^```.*?^```", "", text, flags=re.S | re.M)
    return re.sub(r"`[^`\n]*`", "", text)


def anchors(path):
    found = set()
    with open(path, encoding="utf-8") as f:
        for line in prose(f.read()).splitlines():
            m = re.match(r"#+\s+(.*)", line)
            if m:
                slug = re.sub(r"[^\w\- ]", "", m.group(1).strip().lower()).replace(" ", "-")
                found.add(slug)
    return found


def broken_links(path):
    with open(path, encoding="utf-8") as f:
        text = prose(f.read())
    for target in LINK.findall(text):
        if re.match(r"[a-z]+:", target):
            continue
        file, _, anchor = target.partition("#")
        where = os.path.normpath(os.path.join(os.path.dirname(path), file)) if file else path
        if not os.path.exists(where):
            yield f"{path}: {target}: no {where}"
        elif anchor and where.endswith(".md") and anchor not in anchors(where):
            yield f"{path}: {target}: no heading #{anchor} in {where}"


def main(paths):
    broken = [b for path in paths for b in broken_links(path)]
    for b in broken:
        print(f"check_links: {b}", file=sys.stderr)
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

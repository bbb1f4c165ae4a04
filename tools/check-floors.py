#!/usr/bin/python3
"""Checks the floors of the code: every folder of src/ includes only folders
on its own floor or below, no folders include each other in a circle, and no
files do either (inside a folder too, where there is no floor to go up), nor
rooms (a source file with its header: a.cpp including b.hpp while b.cpp
includes a.hpp is a circle of rooms, though of no files).

The floors are those of the table in docs/architecture.md (one row a folder:
| floor | `src/folder` | what it holds |), the one place they are written.
The script reads every #include "folder/file" of src/ and fails, naming the
file and the line, when one reaches a higher floor, names a folder the table
does not have, or closes a circle between folders or between files.

    /usr/bin/python3 tools/check-floors.py [ROOT]     (CTest: floors)

The same lines by hand: git grep -n '#include "' -- src
"""

import os
import re
import sys

TABLE_ROW = re.compile(r"^\|\s*(\d+)\s*\|\s*`src/([\w-]+)`\s*\|")
INCLUDE = re.compile(r'^\s*#\s*include\s+"(([\w-]+)/[^"]+)"')
SOURCES = (".cpp", ".hpp", ".h", ".cc")


def floors_of(architecture):
    floors = {}
    with open(architecture, encoding="utf-8") as f:
        for line in f:
            m = TABLE_ROW.match(line)
            if m:
                floors[m.group(2)] = int(m.group(1))
    return floors


def includes(src):
    """(folder, file, line number, included folder, included file) for every
    include of a folder."""
    for folder in sorted(os.listdir(src)):
        path = os.path.join(src, folder)
        if not os.path.isdir(path):
            continue
        for name in sorted(os.listdir(path)):
            if not name.endswith(SOURCES):
                continue
            with open(os.path.join(path, name), encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, start=1):
                    m = INCLUDE.match(line)
                    if m:
                        yield folder, f"src/{folder}/{name}", number, m.group(2), f"src/{m.group(1)}"


def check(root):
    floors = floors_of(os.path.join(root, "docs", "architecture.md"))
    if not floors:
        return ["docs/architecture.md has no table of floors (| floor | `src/folder` | ... |)"]
    src = os.path.join(root, "src")
    faults = []
    edges = {}
    for folder in sorted(os.listdir(src)):
        if os.path.isdir(os.path.join(src, folder)) and folder not in floors:
            faults.append(f"src/{folder} has no floor in docs/architecture.md")
    file_edges = {}
    for folder, where, number, included, included_file in includes(src):
        file_edges.setdefault(where, {}).setdefault(included_file, f"{where}:{number}")
        if included == folder or folder not in floors:
            continue
        if included not in floors:
            if os.path.isdir(os.path.join(src, included)):
                faults.append(f"{where}:{number}: includes src/{included}, which has no floor")
            continue
        edges.setdefault(folder, {}).setdefault(included, f"{where}:{number}")
        if floors[included] > floors[folder]:
            faults.append(f"{where}:{number}: src/{folder} (floor {floors[folder]}) includes src/{included} "
                          f"(floor {floors[included]}), a higher floor")
    for circle in circles(edges):
        if len(circle) == 3:
            a, b = circle[0], circle[1]
            faults.append(f"src/{a} and src/{b} include each other ({edges[a][b]} and {edges[b][a]})")
        else:
            faults.append("folders include each other in a circle: " + " -> ".join(f"src/{f}" for f in circle)
                          + " (" + ", ".join(edges[a][b] for a, b in zip(circle, circle[1:])) + ")")
    for circle in circles(file_edges):
        faults.append("files include each other in a circle: " + " -> ".join(circle)
                      + " (" + ", ".join(file_edges[a][b] for a, b in zip(circle, circle[1:])) + ")")
    rooms = room_edges(file_edges)
    for circle in circles(rooms):
        faults.append("rooms include each other in a circle: " + " -> ".join(circle)
                      + " (" + ", ".join(rooms[a][b] for a, b in zip(circle, circle[1:])) + ")")
    return faults


def room_of(path):
    """A source file and its header are one room: src/app/batch.cpp and
    src/app/batch.hpp are the room src/app/batch."""
    return os.path.splitext(path)[0]


def room_edges(file_edges):
    """The includes between rooms, a room's own header left out: a room that
    includes another whose files include it back closes a circle even where
    no file does (batch.cpp -> batch_run.hpp, batch_run.cpp -> batch.hpp)."""
    rooms = {}
    for where, included in file_edges.items():
        for included_file, line in included.items():
            a, b = room_of(where), room_of(included_file)
            if a != b:
                rooms.setdefault(a, {}).setdefault(b, line)
    return rooms


def circles(edges):
    """The circles a depth-first walk of the graph {node: {successor: where}}
    meets, each as [a, b, ..., a] from its smallest node: at least one in every
    group of nodes that reach each other, which is what a fault needs."""
    found = set()
    on_path, path, done = set(), [], set()

    def walk(node):
        on_path.add(node)
        path.append(node)
        for successor in sorted(edges.get(node, {})):
            if successor in on_path:
                circle = path[path.index(successor):]
                start = circle.index(min(circle))
                found.add(tuple(circle[start:] + circle[:start]))
            elif successor not in done:
                walk(successor)
        path.pop()
        on_path.discard(node)
        done.add(node)

    for node in sorted(edges):
        if node not in done:
            walk(node)
    return [list(c) + [c[0]] for c in sorted(found)]


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    faults = check(root)
    for fault in faults:
        print(f"check-floors: {fault}", file=sys.stderr)
    if not faults:
        print("check-floors: every include of src/ stays on its floor or goes below, and none closes a circle")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/python3
"""Runs a notebook from top to bottom as a reader would (nbclient, the
python3 kernel of Debian's ipykernel) in the notebook's own folder, and fails
on any cell that raises. Every figure the notebook draws must come out as a
picture.

    run_notebook.py NOTEBOOK.ipynb FIGURES [EXECUTED.ipynb]

FIGURES is how many pictures the notebook must show; EXECUTED, when given,
receives the notebook with its outputs (to look at the figures).
"""
import base64
import os
import sys

import nbclient
import nbformat


def pictures(notebook):
    return [output["data"]["image/png"] for cell in notebook.cells if cell.cell_type == "code"
            for output in cell.get("outputs", []) if "image/png" in output.get("data", {})]


def main(argv):
    if len(argv) not in (3, 4):
        print(__doc__, file=sys.stderr)
        return 2
    path, figures = argv[1], int(argv[2])
    # The kernel's debugger otherwise warns of Python's frozen modules on every start.
    os.environ.setdefault("PYDEVD_DISABLE_FILE_VALIDATION", "1")
    notebook = nbformat.read(path, as_version=4)
    client = nbclient.NotebookClient(notebook, timeout=300, kernel_name="python3",
                                     resources={"metadata": {"path": os.path.dirname(os.path.abspath(path))}})
    try:
        client.execute()
    except nbclient.exceptions.CellExecutionError as e:
        print(f"run_notebook: {path}: a cell failed:\n{e}", file=sys.stderr)
        return 1
    shown = pictures(notebook)
    if len(argv) == 4:
        nbformat.write(notebook, argv[3])
        for k, png in enumerate(shown):
            with open(f"{os.path.splitext(argv[3])[0]}-{k + 1}.png", "wb") as f:
                f.write(base64.b64decode(png))
    if len(shown) != figures:
        print(f"run_notebook: {path}: {len(shown)} pictures, not {figures}", file=sys.stderr)
        return 1
    print(f"{path}: every cell ran, {len(shown)} pictures")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

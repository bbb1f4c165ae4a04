"""A laboratory's export (examples/lab) through wqspec.speciate: the same
records as the batch's blessed CSV, the table's own columns carried through
as they were, every water computed or refused alone."""
import csv
import math
import os
import re

import pandas

import wqspec
from conftest import EXAMPLES

LAB = os.path.join(EXAMPLES, "lab")


def test_a_lab_export_runs_as_it_is_and_gives_the_batchs_records():
    # Every cell as the text the file holds, as the batch reads it.
    table = pandas.read_csv(os.path.join(LAB, "lab-export.csv"), encoding="latin-1", dtype=str,
                            keep_default_na=False)
    frame = wqspec.speciate(table, database=os.path.join(EXAMPLES, "LOGKDATA.KDB"), columns="compact",
                            errors="status")
    with open(os.path.join(LAB, "expected.csv"), encoding="utf-8", newline="") as f:
        expected = list(csv.reader(f))
    header, rows = expected[0], expected[1:]
    assert list(frame.columns) == header
    assert len(frame) == len(rows) == 14
    for k, cells in enumerate(rows):
        for column, cell in zip(header, cells):
            value = frame[column].iloc[k]
            if column == "status":
                # A table in memory names a row by its index label, a file by its line.
                assert value == re.sub(r"^row on line \d+", f"row {k}", cell), cells[0]
            elif isinstance(value, str):
                assert value == cell, (cells[0], column)
            elif cell == "":
                assert math.isnan(value), (cells[0], column, value)
            else:
                # The package starts every water cold, the batch from the
                # water before it: the same to the convergence tolerance.
                assert math.isclose(value, float(cell), rel_tol=1e-9, abs_tol=1e-12), (cells[0], column, value, cell)
    assert list(frame["Lab ID"]) == list(table["Lab ID"])
    assert (frame["status"].str.startswith("converged")).sum() == 10

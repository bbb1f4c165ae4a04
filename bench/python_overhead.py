#!/usr/bin/python3
"""What the Python layer costs: N seawater variants (default 10,000; the
generator of tests/solver/seawater_variants.py, fixed seed, with its template
and the charge balance on Cl- it is made for) computed by `wqspec batch` and
by `wqspec.speciate` on the same number of threads and with the same columns
(every column: the package's default, the batch's --all; and the compact
set: the batch's default, the package's columns="compact"), and by
`wqspec.dask.speciate` on a local cluster of 1 and 2 worker processes.
A figure, not a test: it prints the wall and CPU time of each run, REPEAT
runs each, their minimum and median, and the overhead of the package over
the command line.

    bench/python_overhead.py [N] [REPEAT]
      WQSPEC=path/to/wqspec        the program (default build/release/wqspec)
      PYTHONPATH=build/release/python (set here when not given)
      JOBS=n                       threads of the batch and the package (default 2)

The command line's times are those of the whole process (reading the table
and the database, writing the CSV records); the package's are those of the
call `wqspec.speciate(frame)` in a fresh process, from a DataFrame to a
DataFrame, the database read inside the call (a new Database each run).
"""
import json
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TEMPLATE = os.path.join(ROOT, "tests", "solver", "seawater-variants", "WQCASE.DAT")
DATABASE = os.path.join(ROOT, "examples", "LOGKDATA.KDB")
sys.path.insert(0, os.path.join(ROOT, "tests", "solver"))
import seawater_variants  # noqa: E402

# The options of every run: those the variants are made for.
BALANCE = "Cl-"
# (what, the batch's arguments, the package's columns)
COLUMNS = [("every column", ["--all"], "all"), ("compact columns", [], "compact")]

PACKAGE_RUN = """
import json, sys, time
import pandas, wqspec
frame = pandas.read_csv(sys.argv[1], float_precision="round_trip")
columns = None if sys.argv[6] == "all" else sys.argv[6]
wall, cpu = time.perf_counter(), time.process_time()
out = wqspec.speciate(frame, database=wqspec.Database(sys.argv[2]), case=sys.argv[3], jobs=int(sys.argv[4]),
                      balance=sys.argv[5], columns=columns)
wall, cpu = time.perf_counter() - wall, time.process_time() - cpu
assert len(out) == len(frame)
print(json.dumps({"wall": wall, "cpu": cpu}))
"""

DASK_RUN = """
import json, sys, time
import dask.dataframe, pandas
from distributed import Client, LocalCluster
import wqspec.dask
frame = pandas.read_csv(sys.argv[1], float_precision="round_trip")
workers = int(sys.argv[4])
with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \\
        Client(cluster) as client:
    parts = dask.dataframe.from_pandas(frame, npartitions=8 * workers)
    # One small table first, so that every worker has read the database.
    wqspec.dask.speciate(dask.dataframe.from_pandas(frame.head(4 * workers), npartitions=workers),
                         database=sys.argv[2], case=sys.argv[3], balance=sys.argv[5]).compute()
    wall = time.perf_counter()
    out = wqspec.dask.speciate(parts, database=sys.argv[2], case=sys.argv[3], balance=sys.argv[5]).compute()
    wall = time.perf_counter() - wall
assert len(out) == len(frame)
print(json.dumps({"wall": wall}))
"""


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def cli_run(program, waters, out, jobs, columns):
    cpu, wall = children_cpu(), time.perf_counter()
    subprocess.run([program, "batch", waters, "--case", TEMPLATE, "--db", DATABASE, "--balance", BALANCE,
                    *columns, "--out", out, "--jobs", str(jobs)], check=True, stderr=subprocess.DEVNULL)
    return {"wall": time.perf_counter() - wall, "cpu": children_cpu() - cpu}


def python_run(code, *args):
    done = subprocess.run([sys.executable, "-c", code, *map(str, args)], check=True, capture_output=True,
                          encoding="utf-8")
    return json.loads(done.stdout.strip().splitlines()[-1])


def summary(runs, key):
    values = [r[key] for r in runs]
    return min(values), statistics.median(values)


def main(argv):
    count = int(argv[1]) if len(argv) > 1 else 10000
    repeat = int(argv[2]) if len(argv) > 2 else 5
    jobs = int(os.environ.get("JOBS", "2"))
    program = os.environ.get("WQSPEC", os.path.join(ROOT, "build", "release", "wqspec"))
    os.environ.setdefault("PYTHONPATH", os.path.join(ROOT, "build", "release", "python"))
    with tempfile.TemporaryDirectory(prefix="wqspec-python-bench-") as work:
        waters = os.path.join(work, "waters.csv")
        with open(waters, "w") as f:
            f.write(seawater_variants.table(count))
        print(f"{count} seawater variants, {jobs} threads, {repeat} runs each (min / median):")
        for what, cli_columns, package_columns in COLUMNS:
            cli, package = [], []
            for _ in range(repeat):  # interleaved, so that a busy moment of the machine falls on both
                cli.append(cli_run(program, waters, os.path.join(work, "out.csv"), jobs, cli_columns))
                package.append(python_run(PACKAGE_RUN, waters, DATABASE, TEMPLATE, jobs, BALANCE, package_columns))
            print(f" {what}:")
            for name, runs in (("wqspec batch", cli), ("wqspec.speciate", package)):
                (wmin, wmed), (cmin, cmed) = summary(runs, "wall"), summary(runs, "cpu")
                print(f"  {name:16s} wall {wmin:6.2f} / {wmed:6.2f} s   cpu {cmin:6.2f} / {cmed:6.2f} s   "
                      f"{count / wmin:7.0f} waters/s at best")
            for key in ("wall", "cpu"):
                (cli_min, cli_med), (py_min, py_med) = summary(cli, key), summary(package, key)
                print(f"  overhead of the package, {key}: {100 * (py_min / cli_min - 1):+.1f} % (min), "
                      f"{100 * (py_med / cli_med - 1):+.1f} % (median)")
        print(" dask, every column:")
        for workers in (1, 2):
            runs = [python_run(DASK_RUN, waters, DATABASE, TEMPLATE, workers, BALANCE)
                    for _ in range(max(1, repeat // 2))]
            wmin, wmed = summary(runs, "wall")
            print(f"  dask, {workers} worker process{'es' if workers > 1 else ''}: wall {wmin:6.2f} / {wmed:6.2f} s, "
                  f"{count / wmin:7.0f} / {count / wmed:7.0f} waters/s")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

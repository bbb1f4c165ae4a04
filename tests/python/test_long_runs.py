"""Long tables, each in a process of its own: Ctrl-C stops a speciate while
its workers compute, raising KeyboardInterrupt with no thread left behind,
and the memory of a speciate follows the DataFrame it returns, not every
column of every record."""
import os
import signal
import subprocess
import sys
import time

import pytest

from conftest import BATCH
from wqspec._progress import SHOW_AFTER_SECONDS

WATERS = os.path.join(BATCH, "WATERS.csv")

# The batch example's waters many times over: a run of minutes here. It says
# how many threads the process has before the call, and after the
# KeyboardInterrupt.
INTERRUPTED = """
import os, sys
import pandas, wqspec
threads = lambda: len(os.listdir("/proc/self/task"))
frame = pandas.concat([pandas.read_csv(sys.argv[1])] * int(sys.argv[2]), ignore_index=True)
print(threads(), flush=True)
try:
    wqspec.speciate(frame, jobs=2, columns="name")
except KeyboardInterrupt:
    print(threads(), flush=True)
    sys.exit(0)
sys.exit("the whole table was computed")
"""

# Seconds from Ctrl-C to the end of the process, generous for a loaded
# machine; the whole table takes many times longer.
PROMPTLY = 3.0


def threads_of(pid):
    try:
        return len(os.listdir(f"/proc/{pid}/task"))
    except FileNotFoundError:
        return 0


# Ctrl-C at once, and once the progress bar has shown (its library keeps
# a thread of its own unless told not to).
@pytest.mark.parametrize("wait", [0.0, SHOW_AFTER_SECONDS + 1.0], ids=["at once", "bar shown"])
def test_ctrl_c_stops_the_workers_and_leaves_no_thread(wait):
    child = subprocess.Popen([sys.executable, "-c", INTERRUPTED, WATERS, "4000"], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, encoding="utf-8")
    try:
        before = int(child.stdout.readline())
        # The workers have started: the call is in the compiled core.
        while threads_of(child.pid) < before + 2 and child.poll() is None:
            time.sleep(0.01)
        time.sleep(wait)
        child.send_signal(signal.SIGINT)
        child.wait(timeout=PROMPTLY)
        assert child.returncode == 0
        assert int(child.stdout.readline()) == before
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
        child.stdout.close()


# Many simple waters, three columns asked for: the peak of resident memory
# during the call, above what the process held before it, against the
# DataFrame returned (its text cells counted whole).
MEMORY = """
import resource, sys
import numpy, pandas, wqspec
rows = int(sys.argv[1])
rng = numpy.random.default_rng(5)
frame = pandas.DataFrame({"name": [f"w{k}" for k in range(rows)], "T [C]": rng.uniform(5, 60, rows),
                          "pH": rng.uniform(6.5, 8.5, rows), "Ca++ [mg/L]": rng.uniform(10, 90, rows),
                          "Na+ [mg/L]": 9.0, "Cl- [mg/L]": 11.0, "HCO3- [mg/L]": rng.uniform(50, 250, rows)})
peak = lambda: resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024
before = peak()
out = wqspec.speciate(frame, jobs=2, columns="name,status,pH")
print(peak() - before, out.memory_usage(deep=True).sum(), len(out))
"""


def test_memory_follows_the_columns_asked_for():
    rows = 40000
    done = subprocess.run([sys.executable, "-c", MEMORY, str(rows)], capture_output=True, encoding="utf-8",
                          check=True)
    grown, frame, waters = map(int, done.stdout.split())
    assert waters == rows
    # Twice the DataFrame (the table's cells as text are about its size)
    # and a constant (the workers' malloc arenas, the database: 10 MB left
    # no margin on a loaded machine); every record's cells kept would be ten
    # times the DataFrame.
    assert grown < 2 * frame + (16 << 20), (grown, frame)

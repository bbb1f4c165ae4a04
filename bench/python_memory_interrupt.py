#!/usr/bin/env python3
"""Peak RSS and Ctrl-C delay of wqspec.speciate in a fresh process (figures, not a test).

    PYTHONPATH=build/release/python /usr/bin/python3 bench/python_memory_interrupt.py rss 100000 name,status,pH 2
    PYTHONPATH=build/release/python /usr/bin/python3 bench/python_memory_interrupt.py sigint 300000 2 2

    rss ROWS COLUMNS JOBS       the peak resident memory of speciate (COLUMNS: 'all' or 'name,status,pH')
    sigint ROWS JOBS [DELAY]    SIGINT sent DELAY s (2) after speciate starts: how soon it raises
"""
import os, signal, subprocess, sys, time, json

CHILD = r"""
import os, resource, sys, time, threading
import numpy, pandas, wqspec
rows, columns, jobs = int(sys.argv[1]), sys.argv[2], int(sys.argv[3])
rng = numpy.random.default_rng(7)
frame = pandas.DataFrame({"name": [f"w{k}" for k in range(rows)], "T [C]": rng.uniform(5, 60, rows),
    "pH": rng.uniform(6.5, 8.5, rows), "Ca++ [mg/L]": rng.uniform(10, 90, rows), "Na+ [mg/L]": 9.0,
    "Cl- [mg/L]": 11.0, "HCO3- [mg/L]": rng.uniform(50, 250, rows)})
db = wqspec.Database()
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
tasks = len(os.listdir("/proc/self/task"))
print("ready", flush=True)
t = time.perf_counter()
try:
    out = wqspec.speciate(frame, database=db, jobs=jobs, columns=None if columns == "all" else columns)
except KeyboardInterrupt:
    print("interrupted at", time.time(), "after", round(time.perf_counter() - t, 3), "s in speciate;", "threads", threading.active_count(), "tasks before",
          tasks, "after", len(os.listdir("/proc/self/task")), flush=True)
    sys.exit(3)
wall = time.perf_counter() - t
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print("done", wall, "before_kb", before, "peak_kb", peak, "frame_kb", out.memory_usage(deep=True).sum() // 1024,
      "shape", out.shape, flush=True)
"""

mode = sys.argv[1]
env = dict(os.environ)
if mode == "rss":
    rows, columns, jobs = sys.argv[2:5]
    p = subprocess.run([sys.executable, "-c", CHILD, rows, columns, jobs], env=env, capture_output=True, text=True)
    print(p.stdout.strip().splitlines()[-1], p.stderr[-500:])
else:
    rows, jobs = sys.argv[2:4]
    delay = float(sys.argv[4]) if len(sys.argv) > 4 else 2.0
    p = subprocess.Popen([sys.executable, "-c", CHILD, rows, "all", jobs], env=env, stdout=subprocess.PIPE, text=True)
    assert p.stdout.readline().strip() == "ready"
    time.sleep(delay)
    t, sent = time.perf_counter(), time.time()
    p.send_signal(signal.SIGINT)
    out = p.stdout.read()
    p.wait()
    exited = time.perf_counter() - t
    raised = float(out.split()[2]) - sent if out.startswith("interrupted") else float("nan")
    print(f"rows={rows} jobs={jobs} SIGINT at {delay} s: KeyboardInterrupt {raised:.3f} s after SIGINT, "
          f"process ended {exited:.3f} s after; exit {p.returncode}; {out.strip()}")

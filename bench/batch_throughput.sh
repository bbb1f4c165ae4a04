#!/usr/bin/env bash
# Throughput of `wqspec batch`: N seawater variants (default 10,000) solved on
# the bundled database with the seawater example as template. Each variant
# has the totals and the alkalinity of examples/seawater, in mol per kg of
# water, scaled by one factor drawn in 0.5-1.5, and a pH drawn in 7.5-8.5
# (fixed seed, so every run solves the same waters). Prints the wall time,
# the waters per second and the number of waters that failed. A figure, not
# a test.
#
# Usage: bench/batch_throughput.sh [N]
#   WQSPEC=path/to/wqspec   the program (default build/release/wqspec)
#   JOBS=n                  worker threads (default: the number of cores)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
count="${1:-10000}"
wqspec="${WQSPEC:-$root/build/release/wqspec}"
jobs="${JOBS:-$(nproc 2>/dev/null || echo 1)}"
[[ "$count" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [N]   (N a positive whole number)" >&2; exit 2; }
[ -x "$wqspec" ] || { echo "no program at $wqspec; build it first (see README.md)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root/examples/seawater/WQCASE.DAT" "$work/WQCASE.DAT"
cp "$root/examples/LOGKDATA.KDB" "$work/LOGKDATA.KDB"

# The table: the template's component records give the names and totals
# (moles in its mass of water), its conditions line the alkalinity.
python3 - "$work/WQCASE.DAT" "$count" > "$work/WATERS.csv" <<'EOF'
import csv, random, sys

template, count = sys.argv[1], int(sys.argv[2])
lines = open(template, encoding="latin-1").read().splitlines()
alkalinity = float(lines[4].split()[3])           # eq per kg of water
components, kg_water = [], None
for line in lines[11:]:
    number = int(line[0:5])
    if number == 0:
        break
    name, total = line[5:18].strip(), float(line[18:37])
    if number == 2:
        kg_water = total
    elif number != 1:
        components.append((name, total))
molality = [(name, total / kg_water) for name, total in components]

rng = random.Random(20240611)
out = csv.writer(sys.stdout, lineterminator="\n")
out.writerow(["name", "T [C]", "pH", "alkalinity [eq/kgw]"] + [f"{n} [mol/kgw]" for n, _ in molality])
for row in range(1, count + 1):
    factor = rng.uniform(0.5, 1.5)
    pH = rng.uniform(7.5, 8.5)
    out.writerow([f"seawater-{row:05d}", "25", f"{pH:.4f}", f"{alkalinity * factor:.10g}"] +
                 [f"{m * factor:.10g}" for _, m in molality])
EOF

start=$(date +%s.%N)
status=0
(cd "$work" && "$wqspec" batch WATERS.csv --out out.csv --jobs "$jobs" 2> stderr.txt) || status=$?
end=$(date +%s.%N)
if [ "$status" -ge 2 ]; then
  cat "$work/stderr.txt" >&2
  echo "wqspec batch ended with status $status" >&2
  exit "$status"
fi

python3 - "$work/out.csv" "$count" "$jobs" "$start" "$end" <<'EOF'
import csv, sys

path, count, jobs, start, end = sys.argv[1], int(sys.argv[2]), sys.argv[3], float(sys.argv[4]), float(sys.argv[5])
with open(path, newline="") as f:
    records = list(csv.DictReader(f))
failed = sum(1 for r in records if r["status"] != "converged")
seconds = end - start
print(f"waters:            {count} (records written: {len(records)})")
print(f"worker threads:    {jobs}")
print(f"wall time:         {seconds:.2f} s")
print(f"waters per second: {len(records) / seconds:.1f}")
print(f"failed:            {failed + count - len(records)}")
EOF

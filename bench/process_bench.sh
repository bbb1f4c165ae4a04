#!/usr/bin/env bash
# The whole seawater example as a process against `cat LOGKDATA.KDB >
# /dev/null`, alternately, by CPU time; then the peak memory of one run.
# Usage: bash bench/process_bench.sh [build-dir] [runs]   (default build/release, 30)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/release}"
runs="${2:-30}"
for exe in "$build/wqspec" "$build/bench/wqspec_process_cpu"; do
  [ -x "$exe" ] || { echo "missing $exe: configure with -DWQSPEC_BENCH=ON and build" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root/examples/seawater/WQCASE.DAT" "$root/examples/LOGKDATA.KDB" "$work/"
# A database left alone, as on any working day (a file changed in the last
# seconds is read again at each run of the dialogue).
touch -d '1 hour ago' "$work/LOGKDATA.KDB"
cd "$work"
cat LOGKDATA.KDB > /dev/null  # in the page cache for both
"$build/bench/wqspec_process_cpu" "$runs" \
  "$root/examples/seawater/answers|$build/wqspec" \
  "/dev/null|cat LOGKDATA.KDB"
/usr/bin/time -f "peak memory of one seawater run: %M kB, %R minor page faults" \
  "$build/wqspec" < "$root/examples/seawater/answers" > /dev/null

#!/usr/bin/env bash
# Fuzzes the readers of wqspec (the run input, the database, the batch's
# table of waters) and the case writer's round trip (table row -> run input
# -> run-input reader, the same values) with libFuzzer, under
# AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   bash tools/fuzz.sh              each target for 10 minutes
#   bash tools/fuzz.sh 15           each target for 15 seconds (CI)
#   bash tools/fuzz.sh -runs 1000000   each target for that many executions
#   bash tools/fuzz.sh 3600 database   one target only (run_input, database,
#                                      water_table, case_round_trip)
#
# The corpora grow in build/fuzz/corpus/<target> and are kept between runs;
# they start from the run inputs and databases of the golden cases and the
# examples, and from the tables of the batch and lab examples and tests/fuzz/tables.
# A finding (crash, leak, timeout, out of memory) is written to
# build/fuzz/findings/ and makes the script fail: reproduce it with
#   build/fuzz/tests/fuzz/fuzz_<target> <file>   (or in WQSPEC_FUZZ_BUILD, below)
# and turn it into a bad-input fixture under tests/golden.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

limit=(-max_total_time=600)
if [ "${1:-}" = "-runs" ]; then
  limit=(-runs="${2:?number of executions}")
  shift 2
elif [ -n "${1:-}" ]; then
  limit=(-max_total_time="$1")
  shift
fi
targets=("$@")
all=(run_input database water_table case_round_trip)
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
declare -A what=([run_input]="the run-input reader" [database]="the database reader"
  [water_table]="the table reader of the batch" [case_round_trip]="the case writer's round trip")

work=build/fuzz
mkdir -p "$work/findings"

# Seeds, gathered afresh at every start (the golden cases change).
seed() {
  local target=$1
  shift
  rm -rf "$work/seeds/$target"
  mkdir -p "$work/seeds/$target" "$work/corpus/$target"
  local n=0 f
  for f in "$@"; do
    [ -f "$f" ] || continue
    n=$((n + 1))
    cp "$f" "$work/seeds/$target/$n-$(basename "$(dirname "$f")")"
  done
}
for target in "${targets[@]}"; do
  case $target in
    run_input) seed run_input tests/golden/*/WQCASE.DAT examples/*/WQCASE.DAT ;;
    database) seed database tests/data/small.kdb tests/golden/*/LOGKDATA.KDB ;;
    water_table | case_round_trip) seed "$target" examples/batch/WATERS.csv examples/lab/lab-export.csv tests/fuzz/tables/*.csv ;;
    *) echo "unknown target $target (${all[*]})" >&2; exit 2 ;;
  esac
done

jobs=$(nproc 2>/dev/null || echo 2)
# WQSPEC_FUZZ_BUILD: a build tree configured with -DWQSPEC_FUZZ=ON to take
# the targets from (the CI's sanitized build); by default build/fuzz, built
# optimised here.
build="${WQSPEC_FUZZ_BUILD:-build/fuzz}"
if [ -z "${WQSPEC_FUZZ_BUILD:-}" ]; then
  CXX=clang++-14 cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWQSPEC_FUZZ=ON \
    -DWQSPEC_TESTS=OFF -DWQSPEC_WERROR=ON >/dev/null
fi
grep -q '^WQSPEC_FUZZ:BOOL=ON$' "$build/CMakeCache.txt" 2>/dev/null ||
  { echo "$build is not a build configured with -DWQSPEC_FUZZ=ON" >&2; exit 2; }
cmake --build "$build" -j "$jobs" --target "${targets[@]/#/fuzz_}" >/dev/null

# A run input is a few kB; a database seed is the 166 kB test database; a
# table of a few waters is a few kB.
declare -A max_len=([run_input]=16384 [database]=262144 [water_table]=16384 [case_round_trip]=16384)

failed=0
for target in "${targets[@]}"; do
  echo "fuzzing ${what[$target]} (${limit[*]})"
  if ! "$build/tests/fuzz/fuzz_$target" "${limit[@]}" -max_len="${max_len[$target]}" -timeout=20 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/findings/$target-" \
      "$work/corpus/$target" "$work/seeds/$target" 2>"$work/$target.log"; then
    failed=1
    echo "FINDING in ${what[$target]}: see $work/$target.log and $work/findings/"
    grep -E "ERROR|SUMMARY|Test unit written" "$work/$target.log" | head -5 || true
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$work/$target.log" || true
done
exit "$failed"

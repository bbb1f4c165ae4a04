#!/usr/bin/env bash
# Fuzzes the two readers of wqspec (the run input and the database) with
# libFuzzer, under AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   bash tools/fuzz.sh              each target for 10 minutes
#   bash tools/fuzz.sh 60           each target for 60 seconds (CI)
#   bash tools/fuzz.sh -runs 2000000   each target for that many executions
#   bash tools/fuzz.sh 3600 database   one target only (run_input, database)
#
# The corpora grow in build/fuzz/corpus/<target> and are kept between runs;
# they start from the run inputs and databases of the golden cases and the
# examples. A finding (crash, leak, timeout, out of memory) is written to
# build/fuzz/findings/ and makes the script fail: reproduce it with
#   build/fuzz/tests/fuzz/fuzz_<target> <file>
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
[ ${#targets[@]} -gt 0 ] || targets=(run_input database)

jobs=$(nproc 2>/dev/null || echo 2)
CXX=clang++-14 cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWQSPEC_FUZZ=ON \
  -DWQSPEC_TESTS=OFF -DWQSPEC_WERROR=ON >/dev/null
cmake --build build/fuzz -j "$jobs" --target fuzz_run_input fuzz_database >/dev/null

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
    *) echo "unknown target $target (run_input, database)" >&2; exit 2 ;;
  esac
done

# A run input is a few kB; a database seed is the 166 kB test database.
declare -A max_len=([run_input]=16384 [database]=262144)

failed=0
for target in "${targets[@]}"; do
  echo "fuzzing the ${target//_/ } reader (${limit[*]})"
  if ! "$work/tests/fuzz/fuzz_$target" "${limit[@]}" -max_len="${max_len[$target]}" -timeout=20 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/findings/$target-" \
      "$work/corpus/$target" "$work/seeds/$target" 2>"$work/$target.log"; then
    failed=1
    echo "FINDING in the ${target//_/ } reader: see $work/$target.log and $work/findings/"
    grep -E "ERROR|SUMMARY|Test unit written" "$work/$target.log" | head -5 || true
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$work/$target.log" || true
done
exit "$failed"

#!/usr/bin/env bash
# Runs the batch's tests against a wqspec built with ThreadSanitizer (g++):
# every batch they start runs its waters on several threads, and a data race
# (or any report of the sanitizer) ends that batch with status 66, which
# fails its test.
#
#   bash tools/tsan.sh            build in build/tsan, then run the tests
#   bash tools/tsan.sh -R Batch   other CTest arguments instead of the default
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)
# -O1 with line tables, as the sanitizer's authors advise: races found as
# surely, reports with their lines, the build in half the time of -O2 -g.
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DWQSPEC_TSAN=ON -DWQSPEC_WERROR=ON >/dev/null
cmake --build build/tsan -j "$jobs" --target wqspec wqspec_tests
args=("$@")
[ ${#args[@]} -gt 0 ] || args=(-L threads)
cd build/tsan
TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1" ctest --output-on-failure -j "$jobs" "${args[@]}"

#!/usr/bin/env bash
# Builds wqspec and runs every test: once in a plain build and once under
# AddressSanitizer and UndefinedBehaviorSanitizer; the batch's tests once more
# under ThreadSanitizer; then fuzzes the readers for a bounded time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash tools/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWQSPEC_BENCH=ON -DWQSPEC_WERROR=ON >/dev/null
cmake --build build/release -j "$jobs"
(cd build/release && ctest --output-on-failure -j "$jobs")

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DWQSPEC_SANITIZE=ON -DWQSPEC_WERROR=ON >/dev/null
cmake --build build/sanitize -j "$jobs"
(cd build/sanitize && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs" -LE python)

# The batch's tests against a program built with ThreadSanitizer: every
# batch on several threads, a data race fails its test.
bash tools/tsan.sh

# The readers and the case writer's round trip under libFuzzer (ASan +
# UBSan), 30 s each; a finding fails the build. Long runs: bash tools/fuzz.sh.
bash tools/fuzz.sh 30

#!/usr/bin/env bash
# Builds wqspec and runs every test: once in a plain build and once under
# AddressSanitizer and UndefinedBehaviorSanitizer (clang); the batch's tests
# once more under ThreadSanitizer; then fuzzes the readers for a bounded time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash tools/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

# Line tables only (-g1): a stack still names its file and line, and the
# objects compile in two thirds of the time full debug information takes.
# No precompiled headers here: GCC 12 then reports its own string code's
# false -Warray-bounds, and this build proves every file includes what it uses.
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  -DWQSPEC_BENCH=ON -DWQSPEC_WERROR=ON >/dev/null
cmake --build build/release -j "$jobs"
(cd build/release && ctest --output-on-failure -j "$jobs")

# GCC at -O3 sees more than at -O2 (its -Wrestrict on joins of strings): the
# files where it once warned, compiled once more at -O3, every warning an error
# (the others where it warned, the readers of a water and its case, are built
# at -O3 above: WQSPEC_LOOP_SOURCES).
for file in src/input/water_columns.cpp src/app/sweep.cpp; do
  g++ -std=c++20 -O3 -Wall -Wextra -Wpedantic -Wshadow -Werror -Isrc -Ibuild/release/generated -c "$file" -o /dev/null
done

# One clang build serves the sanitized tests and the fuzzers: every object
# under AddressSanitizer and UndefinedBehaviorSanitizer with libFuzzer's
# coverage hooks (a test program runs with them idle), so the library is
# compiled once for both; the shared standard headers precompiled.
CXX=clang++-14 cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DWQSPEC_SANITIZE=ON -DWQSPEC_FUZZ=ON \
  -DWQSPEC_WERROR=ON -DWQSPEC_PCH=ON >/dev/null
cmake --build build/asan -j "$jobs"
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs" -LE python)

# The batch's tests against a program built with ThreadSanitizer: every
# batch on several threads, a data race fails its test.
bash tools/tsan.sh

# The readers and the case writer's round trip under libFuzzer (ASan +
# UBSan), 15 s each, with the build above; a finding fails the build. Long
# runs: bash tools/fuzz.sh, in a build of its own optimised for speed.
WQSPEC_FUZZ_BUILD=build/asan bash tools/fuzz.sh 15

#!/usr/bin/env bash
# Runs one of the ready cases in examples/ on the bundled database and shows
# its listing. Usage: tools/run-example.sh [seawater|geothermal|brine]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
name="${1:-seawater}"
case_dir="$root/examples/$name"
[ -f "$case_dir/WQCASE.DAT" ] || { echo "no example named '$name' (try seawater, geothermal, brine)" >&2; exit 1; }
if [ ! -x "$root/build/release/wqspec" ]; then
  bash "$root/tools/install-deps.sh"
  cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$root/build/release" -j "$(nproc 2>/dev/null || echo 2)" --target wqspec >/dev/null
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$case_dir/WQCASE.DAT" "$work/"
cp "$root/examples/LOGKDATA.KDB" "$work/"
answers="$case_dir/answers"
[ -f "$answers" ] || answers=/dev/null
(cd "$work" && "$root/build/release/wqspec" < "$answers" > console.txt) || {
  status=$?
  cat "$work/console.txt"
  echo "wqspec ended with status $status" >&2
  exit $status
}
cat "$work/WQLIST.DAT"

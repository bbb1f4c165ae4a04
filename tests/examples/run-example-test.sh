#!/usr/bin/env bash
# tools/run-example.sh as the README uses it: each example and a recipe with a
# database addition run; the summary's line numbers point at the lines of the
# printed listing they name. Usage: run-example-test.sh SOURCE_DIR WQSPEC
set -euo pipefail
source="$1"
export WQSPEC="$2"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
fail() { echo "run-example-test: $*" >&2; exit 1; }

# The summary line labelled $1 must point at a listing line holding $2.
points_at() {
  local label="$1" text="$2" n
  n="$(grep -E "^  $label " "$out" | sed -n 's/.* line \([0-9]*\)$/\1/p')"
  [ -n "$n" ] || fail "$case: no '$label' line with a line number in the summary"
  sed -n "${n}p" "$out" | grep -qF -- "$text" || fail "$case: '$label' points at line $n, which does not hold '$text'"
}

for case in seawater geothermal brine; do
  bash "$source/tools/run-example.sh" "$case" > "$out" || fail "$case: status $?"
  points_at "ionic strength" "Ionic Strength ="
  points_at "pH" " H+ "
  points_at "charge balance" "Charge balance on"
  points_at "most supersaturated" "SUPERSATURATED"
done

case=seawater
bash "$source/tools/run-example.sh" > "$out"
grep -q "^  pH  *8.22 (fixed" "$out" || fail "seawater: the summary does not give the fixed pH 8.22"

case=own-mineral
bash "$source/tools/run-example.sh" "$source/docs/recipes/own-mineral" > "$out" || fail "$case: status $?"
grep -q "^  Gypsum  " "$out" || fail "$case: the mineral of minerals.add is not in the saturation report"
grep -q "^  pH  *[0-9.]* (computed)" "$out" || fail "$case: the summary does not say the pH was computed"
echo "run-example.sh: 4 cases, summaries point into their listings"

#!/usr/bin/env bash
# Runs the README's reconstruction example word for word: the shell block
# after <!-- reconstruct-example --> runs in examples/geothermal/sweep of a
# copy of the clone's examples, with the built program first on PATH; the
# table must be written with the reconstructed fluid's rows and its
# "# reconstruction:" lines, and the numbers the README gives must be those
# of the table. Usage: follow-reconstruct.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
clone="$(mktemp -d)"
trap 'rm -rf "$clone"' EXIT
cp -r "$source/examples" "$clone/"
awk '/<!-- reconstruct-example -->/{found=1; next} found && /^```sh/{inside=1; next} inside && /^```/{exit} inside' \
  "$source/README.md" > "$clone/block.sh"
[ -s "$clone/block.sh" ] || { echo "follow-reconstruct: no reconstruct example in README.md" >&2; exit 1; }
folder="$clone/examples/geothermal/sweep"
(cd "$folder" && PATH="$build:$PATH" bash -e "$clone/block.sh" > "$clone/shown.txt")
fail() { echo "follow-reconstruct: $*" >&2; cat "$clone/shown.txt" >&2; exit 1; }
table="$folder/reconstructed.csv"
[ -s "$table" ] || fail "no reconstructed.csv"
[ "$(grep -c '^# reconstruction: ' "$table")" = 4 ] || fail "the table lacks its four # reconstruction lines"
grep -q '^reconstructed,converged' "$table" || fail "the table has no converged row of the reconstructed fluid"
# What the README says of it.
grep -q '^# estimate: .*RMS log Q/K smallest at T = 288\.[0-9] C (0\.8[34]' "$table" || fail "the sampled estimate is not 288 C"
grep -q '^# reconstruction: steam loss 0 (sought from 0 to 0.5); CO2 added 0.000684 mol/kgw' "$table" ||
  fail "the parameters are not those of the README"
grep -q '^# reconstruction: median .*RMS log Q/K smallest at T = 29[12]\.[0-9] C (0\.8[12][0-9])' "$table" ||
  fail "the reconstructed estimate is not 292 C"
grep -q '^# reconstruction: uncertainty: .* from 27[34]\.[0-9] C .* to 30[78]\.[0-9] C' "$table" ||
  fail "the uncertainty is not 274-308 C"
grep -q '^# reconstruction: diagnostic, not an uncertainty: with one mineral left out in turn the RMS is smallest from 29[01]\.[0-9] to 29[67]\.[0-9] C' "$table" ||
  fail "the one-mineral-out range is not 291-297 C"
measured="$folder/measured.csv"
[ -s "$measured" ] || fail "no measured.csv"
grep -q '^# discharge: enthalpy 1085 kJ/kg .*steam fraction 0\.2951' "$measured" || fail "the steam fraction is not 0.295"
grep -q '^# reconstruction: median .*RMS log Q/K smallest at T = 24[34]\.[0-9] C (1\.2' "$measured" ||
  fail "the estimate with the assumed discharge is not 244 C"
grep -q '^# reconstruction: uncertainty: .* from 22[23]\.[0-9] C .* to 26[12]\.[0-9] C' "$measured" ||
  fail "the uncertainty with the assumed discharge is not 223-262 C"
echo "the README's reconstruction example runs and gives the numbers the README shows"

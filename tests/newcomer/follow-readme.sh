#!/usr/bin/env bash
# Follows the README's path for a newcomer word for word: the shell block
# after <!-- newcomer-path --> runs in a copy of the clone's examples and docs,
# with the built program first on PATH; from a table alone (no run input), the
# water must converge and its saturation indices must be there. Usage:
# follow-readme.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
clone="$(mktemp -d)"
trap 'rm -rf "$clone"' EXIT
mkdir -p "$clone/build"
ln -s "$build" "$clone/build/release"
cp -r "$source/examples" "$source/docs" "$clone/"
awk '/<!-- newcomer-path -->/{found=1; next} found && /^```sh/{inside=1; next} inside && /^```/{exit} inside' \
  "$source/README.md" > "$clone/path.sh"
[ -s "$clone/path.sh" ] || { echo "follow-readme: no newcomer path in README.md" >&2; exit 1; }
grep -q "WQCASE.DAT" "$clone/path.sh" && { echo "follow-readme: the path copies a run input" >&2; exit 1; }
(cd "$clone" && bash -e path.sh > "$clone/shown.txt")
fail() { echo "follow-readme: $*" >&2; cat "$clone/shown.txt" >&2; exit 1; }
table="$clone/my-water/si.csv"
[ -s "$table" ] || fail "no si.csv"
for column in 'SI(Calcite)' 'SI(Gypsum)' 'SI(Quartz)' 'log_f(CO2(g))'; do
  head -1 "$table" | grep -qF "$column" || fail "si.csv has no $column column"
done
sed -n 2p "$table" | grep -q '^my spring,converged,' || fail "si.csv: the spring did not converge"
grep -q 'SI(Calcite)' "$clone/shown.txt" || fail "the path shows no saturation indices"
echo "the README's newcomer path runs: a table alone, the water solved, saturation indices shown"

#!/usr/bin/env bash
# Follows the README's path for a newcomer word for word: the shell block
# after <!-- newcomer-path --> runs in a copy of the clone's examples and docs,
# with the built program first on PATH; the water must converge and its
# saturation indices must be there. Usage: follow-readme.sh BUILD_DIR SOURCE_DIR
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
(cd "$clone" && bash -e path.sh > "$clone/shown.txt")
fail() { echo "follow-readme: $*" >&2; cat "$clone/shown.txt" >&2; exit 1; }
listing="$clone/my-water/my_spring/WQLIST.DAT"
[ -s "$listing" ] || fail "no listing for the spring"
grep -q "NON-CONVERGENCE" "$listing" && fail "the spring did not converge"
grep -q "This solution is SUPERSATURATED" "$clone/shown.txt" || fail "the path shows no saturation indices"
head -1 "$clone/my-water/si.csv" | grep -q 'SI(Calcite)' || fail "si.csv has no SI(Calcite) column"
sed -n 2p "$clone/my-water/si.csv" | grep -q '^my spring,converged,' || fail "si.csv: the spring did not converge"
echo "the README's newcomer path runs: case written, water solved, saturation indices shown"

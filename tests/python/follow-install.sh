#!/usr/bin/env bash
# Follows the README's install of the Python package word for word: the shell
# block after <!-- python-install --> runs from the top of a copy of the
# clone (its tracked files; its build folder the real one, as the README's
# first command leaves it), with a home folder of its own; the package it
# imports must be the one pip installed into the block's environment, reading
# the database installed with it, and compute a water, and `python3 -m wqspec`
# must be the program; then it computes a brine with the Pitzer model on the
# installed Pitzer database. Usage: follow-install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
clone="$(mktemp -d)"
trap 'rm -rf "$clone"' EXIT
(cd "$source" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done | tar --null -T - -cf -) |
  tar -xf - -C "$clone"
mkdir -p "$clone/build" "$clone/home"
ln -s "$build" "$clone/build/release"
awk '/<!-- python-install -->/{found=1; next} found && /^```sh/{inside=1; next} inside && /^```/{exit} inside' \
  "$source/README.md" > "$clone/install.sh"
[ -s "$clone/install.sh" ] || { echo "follow-install: no python-install block in README.md" >&2; exit 1; }
fail() { echo "follow-install: $*" >&2; cat "$clone/shown.txt" >&2; exit 1; }
(cd "$clone" && HOME="$clone/home" PYTHONPATH= PYTHONDONTWRITEBYTECODE=1 MPLBACKEND=Agg \
  bash -e install.sh > "$clone/shown.txt" 2>&1) || fail "the block ended with status $?"
env="$clone/wqspec-env"
site="$(echo "$env"/lib/python3.*/site-packages)"
version="$(sed -n 's/^project(wqspec VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")"
grep -q "^$version $site/wqspec/__init__.py $site/wqspec/share/wqspec/LOGKDATA.KDB\$" "$clone/shown.txt" ||
  fail "the package imported is not the installed one of version $version reading the installed database"
grep -q "^spring converged " "$clone/shown.txt" || fail "the installed package did not compute the spring"
grep -q "^wqspec $version\$" "$clone/shown.txt" || fail "python3 -m wqspec is not the program"
[ -x "$env/bin/wqplot" ] || fail "no wqplot command in the environment"
# The installed package finds the installed Pitzer database for a brine.
(cd "$clone/home" && HOME="$clone/home" PYTHONPATH= PYTHONDONTWRITEBYTECODE=1 "$env/bin/python3" -c '
import wqspec
brine = {"name": "brine", "T [C]": 25, "pH": 7, "Na+ [mol/kgw]": 5, "Cl- [mol/kgw]": 5}
row = wqspec.speciate(brine, activity="pitzer").iloc[0]
print(wqspec.bundled_database("pitzer"), row["status"], row["activity model"])' >> "$clone/shown.txt" 2>&1) ||
  fail "the installed package could not compute a brine with the Pitzer model"
grep -q "^$site/wqspec/share/wqspec/pitzer/LOGKDATA.KDB converged pitzer\$" "$clone/shown.txt" ||
  fail "the installed package did not read the installed Pitzer database"
echo "the README's install of the Python package runs: pip-installed, imported from $clone/home, a water computed"

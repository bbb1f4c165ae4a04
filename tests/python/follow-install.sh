#!/usr/bin/env bash
# Follows the README's install of the Python package word for word: the shell
# block after <!-- python-install --> runs from the top of a copy of the
# clone (its build folder the real one), with a home folder of its own; the
# package it imports must be the installed one, reading the installed
# database, and compute a water; then it computes a brine with the Pitzer
# model on the installed Pitzer database. Usage: follow-install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
clone="$(mktemp -d)"
trap 'rm -rf "$clone"' EXIT
mkdir -p "$clone/build" "$clone/home"
ln -s "$build" "$clone/build/release"
awk '/<!-- python-install -->/{found=1; next} found && /^```sh/{inside=1; next} inside && /^```/{exit} inside' \
  "$source/README.md" > "$clone/install.sh"
[ -s "$clone/install.sh" ] || { echo "follow-install: no python-install block in README.md" >&2; exit 1; }
fail() { echo "follow-install: $*" >&2; cat "$clone/shown.txt" >&2; exit 1; }
(cd "$clone" && HOME="$clone/home" PYTHONPATH= PYTHONDONTWRITEBYTECODE=1 MPLBACKEND=Agg \
  bash -e install.sh > "$clone/shown.txt" 2>&1) || fail "the block ended with status $?"
prefix="$clone/wqspec-prefix"
grep -q "^$prefix/lib/python3[.0-9]*/site-packages/wqspec/__init__.py $prefix/share/wqspec/LOGKDATA.KDB\$" \
  "$clone/shown.txt" || fail "the package imported is not the installed one reading the installed database"
grep -q "^spring converged " "$clone/shown.txt" || fail "the installed package did not compute the spring"
[ -x "$prefix/bin/wqplot" ] || fail "no wqplot command in the prefix"
# The installed package finds the installed Pitzer database for a brine.
(cd "$clone/home" && HOME="$clone/home" PYTHONPATH="$(echo "$prefix"/lib/python3.*/site-packages)" \
  PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -c '
import wqspec
brine = {"name": "brine", "T [C]": 25, "pH": 7, "Na+ [mol/kgw]": 5, "Cl- [mol/kgw]": 5}
row = wqspec.speciate(brine, activity="pitzer").iloc[0]
print(wqspec.bundled_database("pitzer"), row["status"], row["activity model"])' >> "$clone/shown.txt" 2>&1) ||
  fail "the installed package could not compute a brine with the Pitzer model"
grep -q "^$prefix/share/wqspec/pitzer/LOGKDATA.KDB converged pitzer\$" "$clone/shown.txt" ||
  fail "the installed package did not read the installed Pitzer database"
echo "the README's install of the Python package runs: installed, imported from $clone/home, a water computed"

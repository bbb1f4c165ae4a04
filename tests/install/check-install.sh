#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses the installed files as a new
# user would: the program runs a water from the installed recipes on the
# installed database; the user guide, every recipe and the version header are
# there. Usage: check-install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
prefix="$(mktemp -d)"
work="$(mktemp -d)"
trap 'rm -rf "$prefix" "$work"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "check-install: $*" >&2; exit 1; }
[ -x "$prefix/bin/wqspec" ] || fail "bin/wqspec not installed"
cmp -s "$prefix/share/wqspec/LOGKDATA.KDB" "$source/examples/LOGKDATA.KDB" ||
  fail "share/wqspec/LOGKDATA.KDB is not the bundled database"
for file in LOGKDATA.KDB PITZER.DAT; do
  cmp -s "$prefix/share/wqspec/pitzer/$file" "$source/examples/pitzer/$file" ||
    fail "share/wqspec/pitzer/$file is not the Pitzer database's"
done
for doc in README.md run-input.md listing.md database.md; do
  [ -s "$prefix/share/doc/wqspec/$doc" ] || fail "share/doc/wqspec/$doc not installed"
done
for recipe in "$source"/docs/recipes/*/; do
  name="$(basename "$recipe")"
  for file in "$recipe"*; do
    cmp -s "$file" "$prefix/share/doc/wqspec/recipes/$name/$(basename "$file")" ||
      fail "recipe file $name/$(basename "$file") not installed"
  done
done

# The one version: project(... VERSION x.y.z) reaches the generated header.
version="$(sed -n 's/^project(wqspec VERSION \([0-9.]*\) .*/\1/p' "$source/CMakeLists.txt")"
[ -n "$version" ] || fail "no VERSION in project() of CMakeLists.txt"
grep -q "WQSPEC_VERSION = \"$version\"" "$build/generated/wqspec_version.hpp" ||
  fail "generated/wqspec_version.hpp does not carry version $version"
[ "$("$prefix/bin/wqspec" --version)" = "wqspec $version" ] || fail "wqspec --version does not say wqspec $version"

# A run from the installed files only.
recipe="$prefix/share/doc/wqspec/recipes/computed-ph"
cp "$recipe/WQCASE.DAT" "$prefix/share/wqspec/LOGKDATA.KDB" "$work/"
(cd "$work" && "$prefix/bin/wqspec" < "$recipe/answers" > console) || fail "the installed wqspec ended with status $?"
grep -q "Number of loops used" "$work/WQLIST.DAT" || fail "the installed wqspec wrote no result block"
# The Pitzer database found beside the installed program (looked for there
# before the clone it was built from): a NaCl water with
# --activity pitzer and no --db, in a folder holding no database.
mkdir "$work/brine"
{
  printf 'NaCl brine\nPitzer\nConv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)\n'
  printf -- '----\n 1.0E-9  7.0  0.0  0.0  25.0  0.0  1.0E-10  1.0\n'
  printf 'l/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt\n----\n\n'
  printf ' 0 1 0 0 300 3 0 0 0 0 0\nSAQ  species      Mtot\n----\n'
  printf '    1 H+             0.0000000000E+00   1.0000000000E-07   1.0000000000E+00\n'
  printf '    2 H2O            1.0000000000E+00   1.0000000000E+00   1.0000000000E+00\n'
  printf '    3 Cl-            5.0000000000E+00   5.0000000000E+00   1.0000000000E+00\n'
  printf '   13 Na+            5.0000000000E+00   5.0000000000E+00   1.0000000000E+00\n    0\n'
} > "$work/brine/WQCASE.DAT"
printf 'name,T [C],Na+ [mol/kgw],Cl- [mol/kgw]\nbrine,25,5,5\n' > "$work/brine/w.csv"
(cd "$work/brine" && "$prefix/bin/wqspec" batch w.csv --activity pitzer --out out.json 2> err) ||
  fail "the installed wqspec did not run a brine with --activity pitzer: $(cat "$work/brine/err")"
grep -q '"activity_model":"pitzer"' "$work/brine/out.json" || fail "the brine's record does not say pitzer"
echo "install into $prefix: program, databases, guide, recipes and version $version in place; a recipe and a brine run"

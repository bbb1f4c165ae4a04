#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses the installed files as a new
# user would: the program runs a water from the installed recipes on the
# installed database, in a folder that has none of its own (the plain
# program, a batch and a sweep); the user guide, every recipe, the plotter
# and the version header are there, and every relative link of the installed
# README leads to an installed file. Usage: check-install.sh BUILD_DIR SOURCE_DIR
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
doc="$prefix/share/doc/wqspec"
for file in README.md docs/run-input.md docs/listing.md docs/database.md; do
  [ -s "$doc/$file" ] || fail "share/doc/wqspec/$file not installed"
done
for recipe in "$source"/docs/recipes/*/; do
  name="$(basename "$recipe")"
  for file in "$recipe"*; do
    cmp -s "$file" "$doc/docs/recipes/$name/$(basename "$file")" ||
      fail "recipe file $name/$(basename "$file") not installed"
  done
done

# Every relative link of the installed README (and of the guides beside it)
# leads to an installed file, and every #anchor to a heading of its file.
/usr/bin/python3 "$source/tests/install/check_links.py" "$doc/README.md" "$doc/docs/run-input.md" \
  "$doc/docs/listing.md" "$doc/docs/database.md" "$doc/docs/architecture.md" "$doc/tools/kdb/README.md" ||
  fail "the installed guide has broken links"

# The plotter, as a command.
[ -x "$prefix/bin/wqplot" ] || fail "bin/wqplot not installed"
"$prefix/bin/wqplot" --help > /dev/null || fail "the installed wqplot does not start"

# The one version: project(... VERSION x.y.z) reaches the generated header.
version="$(sed -n 's/^project(wqspec VERSION \([0-9.]*\) .*/\1/p' "$source/CMakeLists.txt")"
[ -n "$version" ] || fail "no VERSION in project() of CMakeLists.txt"
grep -q "WQSPEC_VERSION = \"$version\"" "$build/generated/wqspec_version.hpp" ||
  fail "generated/wqspec_version.hpp does not carry version $version"
[ "$("$prefix/bin/wqspec" --version)" = "wqspec $version" ] || fail "wqspec --version does not say wqspec $version"

# A run from the installed files only, in a folder with the run input and no
# database: the installed program reads the installed database and says so.
recipe="$doc/docs/recipes/computed-ph"
cp "$recipe/WQCASE.DAT" "$work/"
(cd "$work" && "$prefix/bin/wqspec" < "$recipe/answers" > console 2> errors) ||
  fail "the installed wqspec ended with status $? ($(cat "$work/errors"))"
grep -q "Number of loops used" "$work/WQLIST.DAT" || fail "the installed wqspec wrote no result block"
[ "$(cat "$work/errors")" = "wqspec: no LOGKDATA.KDB in this folder; reading the installed database $prefix/share/wqspec/LOGKDATA.KDB" ] ||
  fail "the installed wqspec did not say which database it read: $(cat "$work/errors")"
# The listing is the one a folder holding the database gives.
mkdir "$work/with-database"
cp "$recipe/WQCASE.DAT" "$prefix/share/wqspec/LOGKDATA.KDB" "$work/with-database/"
(cd "$work/with-database" && "$prefix/bin/wqspec" < "$recipe/answers" > console 2> errors) ||
  fail "the installed wqspec ended with status $? beside a database"
[ ! -s "$work/with-database/errors" ] || fail "a run beside a database said: $(cat "$work/with-database/errors")"
cmp -s "$work/WQLIST.DAT" "$work/with-database/WQLIST.DAT" || fail "the listing on the installed database differs"
# --db names another database; no fallback is said.
mkdir "$work/named"
cp "$recipe/WQCASE.DAT" "$work/named/"
cp "$prefix/share/wqspec/LOGKDATA.KDB" "$work/named/other.kdb"
(cd "$work/named" && "$prefix/bin/wqspec" --db other.kdb < "$recipe/answers" > console 2> errors) ||
  fail "wqspec --db other.kdb ended with status $?"
[ ! -s "$work/named/errors" ] || fail "wqspec --db said: $(cat "$work/named/errors")"
cmp -s "$work/WQLIST.DAT" "$work/named/WQLIST.DAT" || fail "the listing of wqspec --db differs"
# A batch and a sweep in an empty folder, from the installed example.
mkdir "$work/empty"
(cd "$work/empty" && "$prefix/bin/wqspec" batch "$doc/examples/batch/WATERS.csv" \
   --case "$doc/examples/batch/WQCASE.DAT" --out out.csv 2> errors) || fail "the installed batch ended with status $?"
grep -q "reading the installed database" "$work/empty/errors" || fail "the batch did not say which database it read"
cmp -s "$work/empty/out.csv" "$source/examples/batch/expected.csv" || fail "the installed batch's records differ"
(cd "$work/empty" && "$prefix/bin/wqspec" sweep --case "$doc/examples/geothermal/sweep/WQCASE.DAT" \
   --from 200 --to 300 --step 50 --out sweep.csv > console 2> errors) || fail "the installed sweep ended with status $?"
grep -q "^# estimate" "$work/empty/sweep.csv" || fail "the installed sweep wrote no estimate"
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
echo "install into $prefix: program, plotter, databases, guide with valid links, recipes and version $version in place;"
echo "a recipe, a batch, a sweep and a brine (Pitzer) run in folders without a database"

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
echo "install into $prefix: program, database, guide, recipes and version $version in place; a recipe runs"

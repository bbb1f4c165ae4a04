#!/usr/bin/env bash
# Runs one of the ready cases in examples/ (or a case folder such as
# docs/recipes/computed-ph) on the bundled database, shows its listing and
# ends with a short summary that points into it.
# Usage: tools/run-example.sh [seawater|geothermal|brine|redox/CASE|FOLDER]
# A case folder may hold `arguments`, the options of its command line
# (examples/redox: the redox state).
# WQSPEC names another build of the program (default build/release/wqspec,
# built when missing).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
name="${1:-seawater}"
case "$name" in
  */*)
    if [ -d "$name" ]; then case_dir="$(cd "$name" && pwd)"
    elif [ -d "$root/examples/$name" ]; then case_dir="$root/examples/$name"
    else case_dir="$name"; fi ;;
  *) case_dir="$root/examples/$name" ;;
esac
[ -f "$case_dir/WQCASE.DAT" ] || {
  echo "no example named '$name' (try seawater, geothermal, brine, or a folder holding a WQCASE.DAT)" >&2
  exit 1
}
program="${WQSPEC:-$root/build/release/wqspec}"
# The first run builds the program and, beside it, the Python package's
# extension, which the README's next steps install (pip or cmake --install).
extension() { compgen -G "$root/build/release/python/wqspec/_core*.so" >/dev/null; }
if [ ! -x "$program" ] || { [ -z "${WQSPEC:-}" ] && ! extension; }; then
  bash "$root/tools/install-deps.sh"
  cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  targets=(wqspec)
  cmake --build "$root/build/release" --target help | grep -q wqspec_python && targets+=(wqspec_python)
  cmake --build "$root/build/release" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}" >/dev/null
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$case_dir/WQCASE.DAT" "$work/"
if [ -f "$case_dir/minerals.add" ]; then
  # Entries of the case's own go in front of the end entry of the minerals
  # section: the last header line with a blank name, after its free line.
  end="$(awk 'length($0) > 20 && substr($0, 1, 20) !~ /[^ ]/ { n = NR } END { print n }' "$root/examples/LOGKDATA.KDB")"
  awk -v at="$((end - 1))" -v add="$case_dir/minerals.add" \
    'NR == at { while ((getline line < add) > 0) print line } { print }' \
    "$root/examples/LOGKDATA.KDB" > "$work/LOGKDATA.KDB"
else
  cp "$root/examples/LOGKDATA.KDB" "$work/"
fi
answers="$case_dir/answers"
[ -f "$answers" ] || answers=/dev/null
arguments=()
[ -f "$case_dir/arguments" ] && read -r -a arguments < "$case_dir/arguments"
(cd "$work" && "$program" "${arguments[@]}" < "$answers" > console.txt) || {
  status=$?
  cat "$work/console.txt"
  echo "wqspec ended with status $status" >&2
  exit $status
}
cat "$work/WQLIST.DAT"

# The summary reads the first result block of the listing; its line numbers
# are those of the listing shown above (docs/listing.md explains each block).
awk '
  function trim(s) { sub(/^ +/, "", s); sub(/ +$/, "", s); return s }
  /Number of loops used/ { runs++ }
  runs != 1 { next }
  /^  Charge balance on / && !cb { cb = NR; cbName = trim(substr($0, 21, 12)); cbFrom = $NF }
  /^        changed by:/ && cb && !cbBy { cbBy = $NF }
  /^  Ionic Strength = / && !is { is = NR; isValue = $4 }
  /^     Species         Molality/ { species = 1 }
  species && $1 == "1" && $2 == "H+" && !ph { ph = NR; pH = -$6; species = 0 }
  /^    Species          Molality     Tot Moles/ { totals = 1 }
  totals && $1 == "1" && $2 == "H+" { fixed = index($0, "CM") > 0; totals = 0 }
  /This solution is SUPERSATURATED/ { super = NR; inSuper = 1; next }
  /This solution is UNDERSATURATED/ { inSuper = 0 }
  inSuper && NF >= 4 && $NF ~ /^-?[0-9.]+$/ {
    n++; mineral[n] = trim(substr($0, 3, 20)); si[n] = $NF + 0
  }
  END {
    line = "----------------------------------------------------------------------------"
    print line
    print "Summary of the first run (line numbers refer to the listing above; docs/listing.md)"
    if (is) printf "  %-20s %-44s  line %d\n", "ionic strength", sprintf("%.4g mol/kg", isValue), is
    if (ph) printf "  %-20s %-44s  line %d\n", "pH", sprintf("%.2f (%s)", pH, fixed ? "fixed: H+ total flagged CM" : "computed"), ph
    if (cb) printf "  %-20s %-44s  line %d\n", "charge balance", sprintf("%s changed by %s mol (from %s)", cbName, cbBy, cbFrom), cb
    else printf "  %-20s %s\n", "charge balance", "no adjustment in this run"
    if (n) {
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++)
        if (si[j] > si[i]) { t = si[i]; si[i] = si[j]; si[j] = t; t = mineral[i]; mineral[i] = mineral[j]; mineral[j] = t }
      top = ""
      for (i = 1; i <= n && i <= 3; i++) top = top (i > 1 ? ", " : "") sprintf("%s %.2f", mineral[i], si[i])
      printf "  %-20s %-44s  line %d\n", "most supersaturated", top " (log Q/K)", super
    } else {
      printf "  %-20s %s\n", "most supersaturated", "none (or no minerals in this run)"
    }
    print line
  }
' "$work/WQLIST.DAT"

#!/usr/bin/env bash
# Follows the README from top to bottom, word for word: every ```sh block,
# in the order the README has them, each from the top of a copy of the clone
# (its tracked files; its build folder the real one, as the README's first
# command leaves it), with a home folder of the copy's own. Every block is
# named by the <!-- NAME --> line just before it (a block without one fails
# the test: a block the test cannot tell apart is a block nobody checks), must
# end with status 0, and what it leaves must be what the README says of it.
# Usage: follow-readme.sh BUILD_DIR SOURCE_DIR [NAME...]
# With NAMEs, only those blocks run (a build without the Python package, or
# under the sanitizers, where some hundred sweeps are too slow).
set -euo pipefail
build="$1"
source="$2"
shift 2
only=("$@")
clone="$(mktemp -d)"
trap 'rm -rf "$clone"' EXIT
(cd "$source" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done | tar --null -T - -cf -) |
  tar -xf - -C "$clone"
mkdir -p "$clone/build" "$clone/home" "$clone/.blocks"
ln -s "$build" "$clone/build/release"

# The blocks, numbered in order, each file named by its block's name.
awk -v dir="$clone/.blocks" '
  /^<!-- [a-z0-9-]+ -->$/ { name = $2; next }
  /^```sh$/ { n++; if (name == "") { print "block " n " has no <!-- NAME --> line before it" > "/dev/stderr"; exit 1 }
              file = sprintf("%s/%02d-%s.sh", dir, n, name); inside = 1; name = ""; next }
  inside && /^```$/ { inside = 0; close(file); next }
  inside { print > file; next }
  { if ($0 != "") name = "" }
' "$source/README.md"

shown=""
fail() { echo "follow-readme: $*" >&2; [ -n "$shown" ] && cat "$shown" >&2; exit 1; }

# What each block must leave.
check_first_command() {
  grep -q '^Summary of the first run' "$shown" || fail "the first command shows no listing with its summary"
}
check_newcomer_path() {
  grep -q "WQCASE.DAT" "$1" && fail "the newcomer's path copies a run input"
  local table="$clone/my-water/si.csv"
  [ -s "$table" ] || fail "no si.csv"
  for column in 'SI(Calcite)' 'SI(Gypsum)' 'SI(Quartz)' 'log_f(CO2(g))'; do
    head -1 "$table" | grep -qF "$column" || fail "si.csv has no $column column"
  done
  sed -n 2p "$table" | grep -q '^my spring,converged,' || fail "si.csv: the spring did not converge"
  grep -q 'SI(Calcite)' "$shown" || fail "the path shows no saturation indices"
}
check_reconstruct_example() {
  local folder="$clone/examples/geothermal/sweep"
  local table="$folder/reconstructed.csv" measured="$folder/measured.csv"
  [ -s "$table" ] || fail "no reconstructed.csv"
  [ "$(grep -c '^# reconstruction: ' "$table")" = 4 ] || fail "the table lacks its four # reconstruction lines"
  grep -q '^reconstructed,converged' "$table" || fail "the table has no converged row of the reconstructed fluid"
  # What the README says of it.
  grep -q '^# estimate: .*RMS log Q/K smallest at T = 288\.[0-9] C (0\.8[34]' "$table" ||
    fail "the sampled estimate is not 288 C"
  grep -q '^# reconstruction: steam loss 0 (sought from 0 to 0.5); CO2 added 0.000684 mol/kgw' "$table" ||
    fail "the parameters are not those of the README"
  grep -q '^# reconstruction: median .*RMS log Q/K smallest at T = 29[12]\.[0-9] C (0\.8[12][0-9])' "$table" ||
    fail "the reconstructed estimate is not 292 C"
  grep -q '^# reconstruction: uncertainty: .* from 27[34]\.[0-9] C .* to 30[78]\.[0-9] C' "$table" ||
    fail "the uncertainty is not 274-308 C"
  grep -q '^# reconstruction: diagnostic, not an uncertainty: with one mineral left out in turn the RMS is smallest from 29[01]\.[0-9] to 29[67]\.[0-9] C' "$table" ||
    fail "the one-mineral-out range is not 291-297 C"
  [ -s "$measured" ] || fail "no measured.csv"
  grep -q '^# discharge: enthalpy 1085 kJ/kg .*steam fraction 0\.2951' "$measured" || fail "the steam fraction is not 0.295"
  grep -q '^# reconstruction: median .*RMS log Q/K smallest at T = 24[34]\.[0-9] C (1\.2' "$measured" ||
    fail "the estimate with the assumed discharge is not 244 C"
  grep -q '^# reconstruction: uncertainty: .* from 22[23]\.[0-9] C .* to 26[12]\.[0-9] C' "$measured" ||
    fail "the uncertainty with the assumed discharge is not 223-262 C"
}
check_python_install() {
  local env="$clone/wqspec-env" site version
  site="$(echo "$env"/lib/python3.*/site-packages)"
  version="$(sed -n 's/^project(wqspec VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")"
  grep -q "^$version $site/wqspec/__init__.py $site/wqspec/share/wqspec/LOGKDATA.KDB\$" "$shown" ||
    fail "the package imported is not the installed one of version $version reading the installed database"
  grep -q "^spring converged " "$shown" || fail "the installed package did not compute the spring"
  grep -q "^wqspec $version\$" "$shown" || fail "python3 -m wqspec is not the program"
  [ -x "$env/bin/wqplot" ] || fail "no wqplot command in the environment"
  # The installed package finds the installed Pitzer database for a brine.
  (cd "$clone/home" && HOME="$clone/home" PYTHONPATH= PYTHONDONTWRITEBYTECODE=1 "$env/bin/python3" -c '
import wqspec
brine = {"name": "brine", "T [C]": 25, "pH": 7, "Na+ [mol/kgw]": 5, "Cl- [mol/kgw]": 5}
row = wqspec.speciate(brine, activity="pitzer").iloc[0]
print(wqspec.bundled_database("pitzer"), row["status"], row["activity model"])' >> "$shown" 2>&1) ||
    fail "the installed package could not compute a brine with the Pitzer model"
  grep -q "^$site/wqspec/share/wqspec/pitzer/LOGKDATA.KDB converged pitzer\$" "$shown" ||
    fail "the installed package did not read the installed Pitzer database"
}

ran=()
for block in "$clone"/.blocks/*.sh; do
  [ -e "$block" ] || fail "README.md has no \`\`\`sh block"
  name="$(basename "$block" .sh)"
  name="${name#*-}"
  if [ ${#only[@]} -gt 0 ] && [[ " ${only[*]} " != *" $name "* ]]; then continue; fi
  shown="$clone/.blocks/$name.shown"
  (cd "$clone" && HOME="$clone/home" PYTHONPATH= PYTHONDONTWRITEBYTECODE=1 MPLBACKEND=Agg \
    bash -e "$block" > "$shown" 2>&1) || fail "the block <!-- $name --> ended with status $?"
  check="check_${name//-/_}"
  declare -F "$check" >/dev/null || fail "no check of what the block <!-- $name --> leaves"
  "$check" "$block"
  ran+=("$name")
done
for name in "${only[@]}"; do
  [[ " ${ran[*]} " == *" $name "* ]] || { shown=""; fail "README.md has no block <!-- $name -->"; }
done
echo "the README's blocks ran from top to bottom: ${ran[*]}"

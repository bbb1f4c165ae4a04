#!/usr/bin/env bash
# The package as a Python user installs it, on a fresh copy of the clone (its
# tracked files, no build folder), offline: into a virtual environment with
# the system's site packages, `pip install --no-build-isolation .`; then, from
# a folder of its own, `import wqspec`, its version (the program's), a
# speciation, an evaporation path and a sweep on the databases in the wheel,
# `python -m wqspec` and the `wqspec` command on the installed database; then
# `pip uninstall -y wqspec` leaves no file of it.
#
# Usage: pip-install.sh reuse BUILD_DIR SOURCE_DIR   (the extension and the
#          program taken from the built tree BUILD_DIR: WQSPEC_BUILD_DIR)
#        pip-install.sh plain SOURCE_DIR             (setup.py builds them
#          with CMake; `python3 -m build --no-isolation` makes an sdist and
#          a wheel from it, and that wheel is what is installed)
set -euo pipefail
mode="$1"
if [ "$mode" = reuse ]; then build="$2"; source="$3"; else build=""; source="$2"; fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clone="$work/clone"
mkdir -p "$clone" "$work/elsewhere"
(cd "$source" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done | tar --null -T - -cf -) |
  tar -xf - -C "$clone"
fail() { echo "pip-install: $*" >&2; exit 1; }

/usr/bin/python3 -m venv --system-site-packages "$work/env"
pip=("$work/env/bin/python" -m pip --disable-pip-version-check --no-cache-dir)
export PIP_NO_INDEX=1 PYTHONDONTWRITEBYTECODE=1
if [ "$mode" = reuse ]; then
  (cd "$clone" && WQSPEC_BUILD_DIR="$build" "${pip[@]}" install -q --no-build-isolation .) ||
    fail "pip install from the clone failed"
else
  (cd "$clone" && /usr/bin/python3 -m build --no-isolation --outdir "$work/dist" . > "$work/build.log" 2>&1) ||
    { tail -40 "$work/build.log" >&2; fail "python3 -m build --no-isolation failed"; }
  wheels=("$work"/dist/wqspec-*.whl)
  [ -f "${wheels[0]}" ] || fail "no wheel made"
  "${pip[@]}" install -q "${wheels[0]}" || fail "the wheel does not install"
fi

cd "$work/elsewhere"
site="$("$work/env/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["platlib"])')"
"$work/env/bin/python" - "$site" "$clone/CMakeLists.txt" <<'PY' || fail "the installed package does not compute"
import re, sys
site, cmake = sys.argv[1], sys.argv[2]
import wqspec
assert wqspec.__file__.startswith(site), f"imported {wqspec.__file__}, not the installed package in {site}"
version = re.search(r"project\(\s*wqspec\s+VERSION\s+([0-9.]+)", open(cmake).read()).group(1)
assert wqspec.__version__ == version, (wqspec.__version__, version)
assert wqspec.bundled_database().startswith(site) and wqspec.bundled_database("pitzer").startswith(site)
spring = {"name": "spring", "T [C]": 22, "pH": 7.2, "Ca++ [mg/L]": 45, "Na+ [mg/L]": 9, "Cl- [mg/L]": 11,
          "HCO3- [mg/L]": 146, "SiO2,aq [mg/L]": 18}
row = wqspec.speciate(spring).iloc[0]
assert row["status"] == "converged" and -2 < row["SI(Calcite)"] < 2, row["status"]
brine = {"name": "brine", "T [C]": 25, "pH": 7, "Na [mol/kgw]": 4, "Cl [mol/kgw]": 4}
path, summary = wqspec.evaporate(brine, to=2, steps=4, activity="pitzer", progress=False)
assert list(path["status"]) == ["converged"] * 5 and "Halite" in summary["first_saturations"], summary
table, estimate = wqspec.sweep(spring, 25, 125, 50, minerals="Calcite,Quartz", progress=False)
assert list(table["T [C]"]) == [22, 25, 75, 125] and estimate["rms_minimum"]["found"], estimate
print("installed", wqspec.__version__)
PY
version="$("$work/env/bin/python" -m wqspec --version)" || fail "python -m wqspec does not run the program"
[ "$version" = "$("$work/env/bin/wqspec" --version)" ] || fail "python -m wqspec and the wqspec command differ"
case "$version" in "wqspec "[0-9]*) ;; *) fail "python -m wqspec --version says: $version" ;; esac
# The program of the wheel reads the database of the wheel in a folder without one.
"$work/env/bin/wqspec" batch --list-species > /dev/null 2> "$work/found.txt" || true
grep -q "reading the installed database $site/wqspec/share/wqspec/LOGKDATA.KDB" "$work/found.txt" ||
  fail "the installed program does not find the installed database: $(cat "$work/found.txt")"

"${pip[@]}" uninstall -q -y wqspec || fail "pip uninstall failed"
left="$(find "$work/env" -path '*wqspec*' -not -path "$work/env/lib/*/site-packages/pip/*" | head -5)"
[ -z "$left" ] || fail "pip uninstall left: $left"
echo "pip install ($mode) from a copy of the clone: installed, computed, run as a command, uninstalled"

#!/usr/bin/env bash
# The CPU cost of `wqspec batch` and `wqspec sweep`, measured as CPU time
# (user + system, from /usr/bin/time), so that other work on a shared machine
# counts as little as it can. A figure, not a test.
#
#   bash bench/batch_cpu.sh waters [N] [RUNS]   N seawater variants (default 10,000) on one thread,
#                                              RUNS times (default 5), with the compact default
#                                              columns and with --all: waters per CPU-second and
#                                              the kernel's share of the CPU; min, median and max
#   bash bench/batch_cpu.sh million [N]        N variants (default 1,000,000) on two threads:
#                                              wall time, CPU time and peak memory (/usr/bin/time -v)
#   bash bench/batch_cpu.sh pairs OTHER [N] [RUNS]  this program and OTHER (another build of
#                                              wqspec) one after the other on one table of N
#                                              variants (default 10,000), RUNS pairs (default 8),
#                                              compact columns then --all: per run, waters per
#                                              CPU-second and kernel share of each; on a machine
#                                              whose speed swings from run to run, the pairs
#                                              compare two builds under the same conditions
#   bash bench/batch_cpu.sh loops [N]          N variants (default 10,000) cold (--cold-start), warm,
#                                              and warm on the table shuffled: the mean Newton loops
#                                              per water (the records' loops), and whether the warm
#                                              records are the cold ones within the tolerance
#   bash bench/batch_cpu.sh instructions [N] [OTHER]  instructions per water (valgrind's callgrind,
#                                              which the machine's load does not change) of N
#                                              variants (default 300) on one thread, cold, warm and
#                                              warm shuffled, cold and warm on a table of no neighbour
#                                              alike (diluted in turn by 1, 4, 16, 64, 256), and
#                                              OTHER's when given
#   bash bench/batch_cpu.sh sweep [RUNS]       the seawater example swept over its 66 temperatures
#                                              (25 to 350 C in steps of 5): CPU time, min and median
#                                              (needs the benchmarks built: -DWQSPEC_BENCH=ON)
#
# The waters are those of tests/solver/seawater_variants.py (Ca and Na x0.7-1.3,
# Cl as Na x0.9-1.1, alkalinity x0.5-1.5, T 20-90 C, pH 7.5-8.5; fixed seed),
# balanced on Cl- by the template beside it. The load average is printed
# with the figures: on a shared machine, say it with them.
#   WQSPEC=path/to/wqspec   the program (default build/release/wqspec)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
wqspec="${WQSPEC:-$root/build/release/wqspec}"
what="${1:-waters}"
[ -x "$wqspec" ] || { echo "no program at $wqspec; build it first (see README.md)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root/tests/solver/seawater-variants/WQCASE.DAT" "$root/examples/LOGKDATA.KDB" "$work/"

variants() { /usr/bin/python3 "$root/tests/solver/seawater_variants.py" table "$1" > "$work/waters.csv"; }
load() { echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"; }

# min, median and max of the numbers on standard input
summary() { sort -g | awk '{v[NR] = $1} END {m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
                                            printf "min %.4g, median %.4g, max %.4g (%d runs)", v[1], m, v[NR], NR}'; }

# One batch on one thread; appends "user system wall peak-kB" to $work/times.
# PROGRAM, when set, runs instead of $wqspec.
timed_batch() {
  (cd "$work" && /usr/bin/time -o time.txt -f "%U %S %e %M" "${PROGRAM:-$wqspec}" batch waters.csv --case WQCASE.DAT \
     --db LOGKDATA.KDB --out out.csv --jobs 1 "$@" 2> stderr.txt) || {
    [ $? -ge 2 ] && { cat "$work/stderr.txt" >&2; exit 2; }
  }
  cat "$work/time.txt" >> "$work/times"
}

case "$what" in
  waters)
    count="${2:-10000}"; runs="${3:-5}"
    variants "$count"
    load
    for columns in compact all; do
      : > "$work/times"
      for _ in $(seq "$runs"); do
        if [ "$columns" = all ]; then timed_batch --all; else timed_batch; fi
      done
      cells=$(/usr/bin/python3 -c 'import csv, sys; print(len(next(csv.reader(open(sys.argv[1])))))' "$work/out.csv")
      echo "$count waters, one thread, $columns columns ($cells of them):"
      printf '  waters per CPU-second: '
      awk -v n="$count" '{print n / ($1 + $2)}' "$work/times" | summary; echo
      printf '  kernel share of the CPU (%%): '
      awk '{print 100 * $2 / ($1 + $2)}' "$work/times" | summary; echo
      printf '  CPU seconds: '
      awk '{print $1 + $2}' "$work/times" | summary; echo
    done
    load
    ;;
  pairs)
    other="${2:-}"
    [ -x "$other" ] || { echo "usage: $0 pairs OTHER-WQSPEC [N] [RUNS]" >&2; exit 2; }
    count="${3:-10000}"; runs="${4:-8}"
    variants "$count"
    load
    for columns in compact all; do
      echo "$count waters, one thread, $columns columns: waters per CPU-second (kernel share %), this | other"
      flag=(); [ "$columns" = all ] && flag=(--all)
      for _ in $(seq "$runs"); do
        : > "$work/times"
        timed_batch "${flag[@]}"
        PROGRAM="$other" timed_batch "${flag[@]}"
        awk -v n="$count" '{printf "  %.0f (%.1f)", n / ($1 + $2), 100 * $2 / ($1 + $2)} END {print ""}' "$work/times"
      done
    done
    load
    ;;
  million)
    count="${2:-1000000}"
    variants "$count"
    load
    (cd "$work" && /usr/bin/time -v "$wqspec" batch waters.csv --case WQCASE.DAT --db LOGKDATA.KDB \
       --out out.csv --jobs 2 2> time.txt) || true
    grep -E "Elapsed|User time|System time|Maximum resident" "$work/time.txt"
    echo "records: $(($(wc -l < "$work/out.csv") - 1)) of $count"
    load
    ;;
  loops)
    /usr/bin/python3 "$root/tests/solver/seawater_variants.py" starts "$wqspec" "$work/LOGKDATA.KDB" "${2:-10000}" || true
    ;;
  instructions)
    count="${2:-300}"; other="${3:-}"
    command -v valgrind > /dev/null || { echo "needs valgrind" >&2; exit 2; }
    variants "$count"
    # The table shuffled, and a table of no neighbour alike: the variants
    # diluted in turn by 1, 4, 16, 64 and 256.
    /usr/bin/python3 - "$work" <<'PY'
import csv, random, sys
head, *rows = open(sys.argv[1] + '/waters.csv').read().splitlines(keepends=True)
random.Random(22).shuffle(rows)
open(sys.argv[1] + '/shuffled.csv', 'w').write(head + ''.join(rows))
table = list(csv.reader(open(sys.argv[1] + '/waters.csv')))
with open(sys.argv[1] + '/unlike.csv', 'w') as f:
    out = csv.writer(f, lineterminator='\n')
    out.writerow(table[0])
    for k, row in enumerate(table[1:]):
        out.writerow(row[:3] + ['%.6g' % (float(x) / 4 ** (k % 5)) for x in row[3:]])
PY
    # Instructions per water: the program's total over N waters.
    counted() {
      local name="$1" program="$2" table="$3"; shift 3
      (cd "$work" && valgrind --tool=callgrind --callgrind-out-file="cg.$name" "$program" batch "$table" \
         --case WQCASE.DAT --db LOGKDATA.KDB --out out.csv --jobs 1 "$@" > /dev/null 2> "cg.$name.err") || true
      local total; total=$(grep -m1 -E '^(summary|totals):' "$work/cg.$name" | awk '{print $2}')
      echo "  $name: $((total / count)) instructions per water"
    }
    echo "$count waters, one thread, compact columns:"
    counted cold "$wqspec" waters.csv --cold-start
    counted warm "$wqspec" waters.csv
    counted warm-shuffled "$wqspec" shuffled.csv
    counted unlike-cold "$wqspec" unlike.csv --cold-start
    counted unlike-warm "$wqspec" unlike.csv
    [ -n "$other" ] && counted other "$other" waters.csv
    ;;
  sweep)
    runs="${2:-5}"
    cpu="$(dirname "$wqspec")/bench/wqspec_process_cpu"
    [ -x "$cpu" ] || { echo "missing $cpu: configure with -DWQSPEC_BENCH=ON and build" >&2; exit 2; }
    cp "$root/examples/seawater/WQCASE.DAT" "$work/WQCASE.DAT"
    load
    # CPU time to the microsecond (wait4), against reading the database once.
    (cd "$work" && "$cpu" "$runs" "/dev/null|$wqspec sweep --out sweep.csv" "/dev/null|cat LOGKDATA.KDB")
    echo "temperatures in the sweep: $(grep -c "^sweep," "$work/sweep.csv") (and the run at the run input's own)"
    ;;
  *) echo "usage: $0 waters [N] [RUNS] | pairs OTHER [N] [RUNS] | million [N] | loops [N] | instructions [N] [OTHER] | sweep [RUNS]" >&2
     exit 2 ;;
esac

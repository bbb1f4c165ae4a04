#!/bin/sh
# Regenerate the reference speciations of the two test waters at 12, 25 and
# 40 C on the LLNL data set (tools/llnl_reference.py; B-dot model).
#   sh bench/llnl_reference/run.sh [THERMO_DIR]
set -e
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
thermo=${1:-$repo/../shared/thermo}
for water in acid_mine sulfidic; do
    for t in 12 25 40; do
        /usr/bin/python3 "$repo/tools/llnl_reference.py" "$here/waters/$water.json" \
            --temp "$t" --thermo "$thermo" -o "$here/${water}_${t}C.csv"
    done
done
/usr/bin/python3 "$here/summary.py" > "$here/summary.md"

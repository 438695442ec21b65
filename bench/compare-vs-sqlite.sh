#!/usr/bin/env bash
# Compares two tables of house rows, each way in a process of its own, in turn, repeatedly, and
# prints wall seconds, CPU seconds and peak resident memory (GNU time):
#   compare  house-export-cli --compare OLD NEW --out FILE.xlsx (the whole comparison workbook)
#   sqlite3  the sqlite3 shell as a data user would use it: both tables imported into a new
#            database file, the guid indexed, then the added, removed and changed houses selected
# The tables (compare_tables_make): ROWS houses made from the demo region's table (sim_answers.py |
# sim_table, 10,000 houses), then 1 % of the houses changed, 0.1 % removed and 0.1 % added.
#
#   bench/compare-vs-sqlite.sh [ROWS [REPETITIONS]]      (defaults 100000 and 3)
#   BUILD=build/h-bench bench/compare-vs-sqlite.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build/h-bench}
rows=${1:-100000}
repetitions=${2:-3}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_BUILD_TESTS=OFF \
    -DHX_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" -j2 --target sim_table compare_tables_make house-export-cli >/dev/null

work="$build/compare-vs-sqlite"
source_table="$work/source/data1.tab"
if [ ! -f "$source_table" ]; then
  echo "Making the source table of 10000 houses from the fake portal's data set"
  mkdir -p "$work/source"
  python3 "$root/bench/sim_answers.py" 10000 | "$build/bench/sim_table" "$work/source/" >/dev/null
fi
tables="$work/tables-$rows"
if [ ! -f "$tables/new.tab" ]; then
  mkdir -p "$tables"
  "$build/bench/compare_tables_make" "$source_table" "$rows" "$tables/"
fi
echo "tables: $tables, $(($(stat -c %s "$tables/old.tab") / 1000000)) MB and" \
  "$(($(stat -c %s "$tables/new.tab") / 1000000)) MB"

# The peer's script: columns c1 to c101, the guid the text after "houseGuid=" in c1.
columns=$(seq -f 'c%g' 1 101 | paste -sd,)
guid() { echo "substr(${1:-}c1, instr(${1:-}c1, 'houseGuid=') + 10, 36)"; }
differs=$(seq 1 101 | awk '{ printf "%so.c%d IS NOT n.c%d", (NR > 1 ? " OR " : ""), $1, $1 }')
cat >"$work/peer.sql" <<SQL
.mode ascii
.separator "\t" "\n"
CREATE TABLE old_rows($columns);
CREATE TABLE new_rows($columns);
.import --skip 1 $tables/old.tab old_rows
.import --skip 1 $tables/new.tab new_rows
CREATE INDEX old_guid ON old_rows($(guid));
CREATE INDEX new_guid ON new_rows($(guid));
.output /dev/null
SELECT n.* FROM new_rows n WHERE NOT EXISTS
  (SELECT 1 FROM old_rows o WHERE $(guid o.) = $(guid n.));
SELECT o.* FROM old_rows o WHERE NOT EXISTS
  (SELECT 1 FROM new_rows n WHERE $(guid n.) = $(guid o.));
SELECT n.* FROM old_rows o JOIN new_rows n ON $(guid n.) = $(guid o.) WHERE $differs;
SQL

measure() { # name, command...
  local name=$1
  shift
  rm -f "$work/out.xlsx" "$work/peer.db"
  sync
  /usr/bin/time -o "$work/time.txt" -f '%e %U %S %M' "$@" >"$work/$name.out" 2>&1
  read -r wall user sys peak <"$work/time.txt"
  awk -v n="$name" -v w="$wall" -v c="$(awk "BEGIN{print $user + $sys}")" -v p="$peak" \
    'BEGIN { printf "%-8s %8.2f s wall %8.2f s CPU %8.1f MiB peak\n", n, w, c, p / 1024 }'
}

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 1; r <= repetitions; r++)); do
  measure compare "$build/src/cli/house-export-cli" --compare "$tables/old.tab" "$tables/new.tab" \
    --out "$work/out.xlsx"
  measure sqlite3 sqlite3 "$work/peer.db" ".read $work/peer.sql"
done
tail -1 "$work/compare.out"
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg)"

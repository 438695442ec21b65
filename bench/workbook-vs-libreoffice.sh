#!/usr/bin/env bash
# Converts one realistic table of house rows into an .xlsx workbook three ways, each in a process
# of its own, in turn, repeatedly, and prints wall seconds, CPU seconds and peak resident memory
# (GNU time's maximum resident set size, which covers LibreOffice's child process too):
#   layer    the harvest's steps through SpreadsheetTable (workbook_convert layer)
#   bare     a bare libxlsxwriter loop over the same table, the practical limit
#   soffice  LibreOffice: soffice --headless --convert-to xlsx, the table read as TAB-separated
#            UTF-8 text
# The table is what a harvest of the fake portal's demo region writes (sim_answers.py |
# sim_table), made once and kept in the build folder.
#
#   bench/workbook-vs-libreoffice.sh [ROWS [REPETITIONS]]      (defaults 100000 and 3)
#   BUILD=build/h-bench bench/workbook-vs-libreoffice.sh
#
# Installs libreoffice-calc-nogui (for this benchmark only) and GNU time when they are missing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build/h-bench}
rows=${1:-100000}
repetitions=${2:-3}

missing=()
for p in libreoffice-calc-nogui time; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing ${missing[*]} for this benchmark"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHX_BUILD_TESTS=OFF \
    -DHX_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" -j2 --target sim_table workbook_convert >/dev/null

work="$build/workbook-vs-libreoffice"
table="$work/table-$rows/data1.tab"
if [ ! -f "$table" ]; then
  echo "Making the table of $rows houses from the fake portal's data set"
  mkdir -p "$work/table-$rows"
  python3 "$root/bench/sim_answers.py" "$rows" | "$build/bench/sim_table" "$work/table-$rows/" >/dev/null
fi
lines=$(wc -l <"$table")
echo "table: $table, $lines lines, $(($(stat -c %s "$table") / 1000000)) MB"

out="$work/out"
profile="$work/soffice-profile"
mkdir -p "$out"
# TAB (9) between fields, no text delimiter in use (1 never occurs), UTF-8 (76), from line 1
soffice=(soffice "-env:UserInstallation=file://$profile" --headless --infilter="CSV:9,1,76,1"
  --convert-to xlsx --outdir "$out")

# LibreOffice's first start makes its user profile: not measured.
printf 'a\tb\r\n1\t2\r\n' >"$work/warm.tab"
"${soffice[@]}" "$work/warm.tab" >/dev/null 2>&1
rm -f "$out/warm.xlsx"

# The sheet's extent as the workbook's dimension element gives it, e.g. A1:CW100001.
dimension() {
  python3 - "$1" <<'EOF'
import re, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
head = z.open("xl/worksheets/sheet1.xml").read(4096).decode("utf-8", "replace")
print(re.search(r'<dimension ref="([^"]+)"', head).group(1))
EOF
}

measure() { # name, command...
  local name=$1
  shift
  rm -f "$out/data1.xlsx"
  sync
  /usr/bin/time -o "$work/time.txt" -f '%e %U %S %M' "$@" >/dev/null 2>&1
  read -r wall user sys peak <"$work/time.txt"
  awk -v n="$name" -v w="$wall" -v c="$(awk "BEGIN{print $user + $sys}")" -v p="$peak" \
    -v d="$(dimension "$out/data1.xlsx")" -v b="$(stat -c %s "$out/data1.xlsx")" \
    'BEGIN { printf "%-8s %8.2f s wall %8.2f s CPU %8.1f MiB peak  %s, %d bytes\n", n, w, c, p / 1024, d, b }' 
}

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 1; r <= repetitions; r++)); do
  measure layer "$build/bench/workbook_convert" layer "$table" "$out/data1.xlsx"
  measure bare "$build/bench/workbook_convert" bare "$table" "$out/data1.xlsx"
  measure soffice "${soffice[@]}" "$table"
done
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg)"

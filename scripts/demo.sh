#!/usr/bin/env bash
# The program against the bundled fake portal: installs what is missing, builds the program
# (release preset), starts the fake portal with its demo data set on 127.0.0.1, and opens the
# window pointed at it through PORTAL_ORIGIN. Closing the window stops the fake portal.
set -euo pipefail
cd "$(dirname "$0")/.."

# Houses of the demo region "Показательный край": its largest city, Показательск, then has 10,
# which with the default options (2 s before every request) take about a minute.
demo_houses=16

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "demo: no display (DISPLAY and WAYLAND_DISPLAY are unset); run it in a desktop session" >&2
    exit 1
fi

scripts/setup-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target house-export
program=build/release/src/ui/house-export

folder=$(mktemp -d)
portal=""
stop_portal() {
    if [ -n "$portal" ]; then
        kill "$portal" 2>/dev/null || true
        wait "$portal" 2>/dev/null || true
    fi
    rm -rf "$folder"
}
trap stop_portal EXIT
trap 'exit 130' INT TERM

python3 tools/portal-sim/portal_sim.py --port 0 --demo-count "$demo_houses" \
    --origin-file "$folder/origin" --log "$folder/requests.log" >/dev/null 2>"$folder/portal.err" &
portal=$!
for _ in $(seq 300); do
    [ -s "$folder/origin" ] && break
    if ! kill -0 "$portal" 2>/dev/null; then
        echo "demo: the fake portal did not start:" >&2
        cat "$folder/portal.err" >&2
        exit 1
    fi
    sleep 0.1
done
if [ ! -s "$folder/origin" ]; then
    echo "demo: the fake portal gave no address within 30 s" >&2
    exit 1
fi
PORTAL_ORIGIN=$(head -n 1 "$folder/origin")
export PORTAL_ORIGIN

echo "demo: fake portal at $PORTAL_ORIGIN"
echo "demo: choose the region \"Показательный край\" and the city \"Показательск г\", press СТАРТ;"
echo "demo: the table, the log and the workbook are written beside the program, in $(dirname "$program")"
"$program"

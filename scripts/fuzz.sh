#!/usr/bin/env bash
# Runs one libFuzzer target for a number of seconds: scripts/fuzz.sh <target> [seconds]
# Targets: the names of fuzz/corpus/* (json, ...). New findings stay in fuzz/out/<target>.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh <target> [seconds]}
seconds=${2:-60}
scripts/setup-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${target}_fuzz"
mkdir -p "fuzz/out/${target}"
"build/fuzz/fuzz/${target}_fuzz" -max_total_time="${seconds}" -max_len=65536 \
    -artifact_prefix="fuzz/out/${target}/" \
    "fuzz/out/${target}" "fuzz/corpus/${target}"

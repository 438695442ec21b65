#!/usr/bin/env bash
# The whole test suite from a fresh clone: installs what is missing, builds, runs every test,
# then builds and runs the same suite again under AddressSanitizer + UndefinedBehaviorSanitizer
# and under ThreadSanitizer (the client is aborted from other threads).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
export QT_QPA_PLATFORM=offscreen
for preset in release asan-ubsan tsan; do
    echo "== ${preset}: configure and build"
    cmake --preset "${preset}" >/dev/null
    cmake --build --preset "${preset}"
    echo "== ${preset}: test"
    ctest --preset "${preset}" -j2
done

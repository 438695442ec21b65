#!/usr/bin/env bash
# Builds the release tree and makes the Debian package from it:
# build/release/house-export_<version>_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
(cd build/release && cpack -G DEB)
ls build/release/house-export_*_amd64.deb

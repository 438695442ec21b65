#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, fuzz and benchmark.
# Idempotent: quiet when everything is present; runs `apt-get update` once, only when
# something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev dbus-daemon
  qt6-qpa-plugins qt6-translations-l10n fonts-dejavu-core fonts-liberation2 xdg-utils
  libssl-dev openssl
  libxlsxwriter-dev
  libgtest-dev libgmock-dev
  libbenchmark-dev nlohmann-json3-dev rapidjson-dev libcurl4-openssl-dev sqlite3
  clang-14 libclang-rt-14-dev clang-format
  python3 python3-openpyxl locales
  dpkg-dev file lintian desktop-file-utils appstream man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The tests check that number texts keep "." under a locale whose decimal point is a comma.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
  echo "Generating the ru_RU.UTF-8 locale"
  $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi

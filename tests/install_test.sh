#!/usr/bin/env bash
# `cmake --install` into a scratch prefix gives a program folder that runs from where it lands:
# both commands linked from bin, the window's TLS libraries (links to the system's) resolved from
# its folder, and a desktop entry that starts the installed program.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
folder="$prefix/lib/house-export"
for program in house-export house-export-cli; do
    [ "$(readlink -f "$prefix/bin/$program")" = "$(readlink -f "$folder/$program")" ] ||
        fail "bin/$program does not lead to $folder/$program"
    [ -x "$folder/$program" ] || fail "$folder/$program is not executable"
done
for library in libssl.so.3 libcrypto.so.3; do
    [ -L "$folder/$library" ] || fail "$folder/$library is not a link to the system's library"
    resolved=$(ldd "$folder/house-export" | awk -v lib="$library" '$1 == lib { print $3 }')
    [ "$(readlink -f "$resolved")" = "$(readlink -f "$folder/$library")" ] ||
        fail "$library resolves to '$resolved', not to the program folder"
done
grep -qx "Exec=\"$folder/house-export\"" "$prefix/share/applications/house-export.desktop" ||
    fail "the desktop entry does not start $folder/house-export"
[ -f "$prefix/share/icons/hicolor/scalable/apps/house-export.svg" ] || fail "no icon"
# Read whole before it is searched: grep -q leaving early would cut the command's output short.
help=$("$prefix/bin/house-export-cli" --help) || fail "the installed house-export-cli fails on --help"
grep -q -- "--all-streets" <<<"$help" || fail "the installed house-export-cli does not answer --help"
echo "install test: program folder, links, libraries, desktop entry and icon in place"

#!/usr/bin/env bash
# The Debian package made from the built tree: its files where a system-wide install puts them,
# the desktop entry, metainfo and man pages valid, dependencies found by dpkg-shlibdeps, both
# commands answering from the unpacked tree, the TLS libraries linked to the system's, and
# lintian without errors or hardening tags when it is installed.
set -euo pipefail
build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) ||
    { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
deb="$scratch/out/house-export_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb"
root="$scratch/root"
dpkg-deb -x "$deb" "$root"

folder="$root/opt/house-export"
for program in house-export house-export-cli; do
    [ -x "$folder/$program" ] || fail "/opt/house-export/$program is not executable"
    [ "$(readlink "$root/usr/bin/$program")" = "/opt/house-export/$program" ] ||
        fail "/usr/bin/$program does not lead to /opt/house-export/$program"
    page=$(man -l "$root/usr/share/man/man1/$program.1.gz" 2>&1) || fail "man -l fails on $program.1.gz"
    grep -q "$program" <<<"$page" || fail "man -l cannot read $program.1.gz"
    [ "$("$folder/$program" --version)" = "$program $version" ] ||
        fail "$program --version does not say $program $version"
done
# The TLS libraries are links to the system's, which Debian's security updates replace.
for library in libssl.so.3 libcrypto.so.3; do
    target=$(readlink "$folder/$library") || fail "/opt/house-export/$library is not a link"
    dpkg -S "$target" 2>/dev/null | grep -q '^libssl3:' ||
        fail "/opt/house-export/$library leads to '$target', not to the system's libssl3"
done
resolved=$(ldd "$folder/house-export" | awk '$1 == "libssl.so.3" { print $3 }')
[ "$resolved" = "$folder/libssl.so.3" ] || fail "libssl.so.3 resolves to '$resolved'"
help=$("$folder/house-export-cli" --help)
grep -q -- "--all-streets" <<<"$help" || fail "house-export-cli --help lacks --all-streets"
# The man page carries the help text as the command prints it.
man -l "$root/usr/share/man/man1/house-export-cli.1.gz" 2>/dev/null |
    grep -qF -- "$(grep -m1 -- '--page-size' <<<"$help" | sed 's/^ *//')" ||
    fail "the man page lacks the --page-size line of --help"

desktop="$root/usr/share/applications/house-export.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
grep -qx 'Exec="/opt/house-export/house-export"' "$desktop" ||
    fail "the desktop entry does not start /opt/house-export/house-export"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/house-export.svg" ] || fail "no icon"
metainfo=$(ls "$root"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 ||
    { cat "$scratch/appstream.log" >&2; fail "appstreamcli rejects the metainfo"; }
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"
[ -f "$root/usr/share/doc/house-export/copyright" ] || fail "no copyright file"

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libqt6core6 libqt6widgets6 libqt6dbus6 libssl3 libxlsxwriter; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" >"$scratch/lintian.log" 2>&1 ||
        { cat "$scratch/lintian.log" >&2; fail "lintian finds errors"; }
    ! grep -E 'hardening-no-(bindnow|fortify-functions|relro|pie)' "$scratch/lintian.log" ||
        fail "lintian finds binaries without the distribution's hardening"
else
    echo "package test: lintian is not installed, not run"
fi
echo "package test: $(basename "$deb") checked"

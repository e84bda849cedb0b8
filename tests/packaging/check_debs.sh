#!/usr/bin/env bash
# Unpacks the Debian packages of a build into a scratch root (no installation,
# no root needed), lists each one's files and checks what each must hold.
set -euo pipefail
dir=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail=0
need() {  # package-glob, file pattern (grep -E)
    local deb
    deb=$(ls "$dir"/$1 2>/dev/null | head -n 1)
    [ -n "$deb" ] || { echo "no package $1"; fail=1; return; }
    local files
    files=$(dpkg-deb -c "$deb" | awk '{print $6, $7, $8}')
    grep -qE "$2" <<< "$files" || { echo "$(basename "$deb") lacks $2"; fail=1; }
}
for deb in "$dir"/*.deb; do
    echo "== $(basename "$deb")"
    dpkg-deb -f "$deb" Package Version Depends
    dpkg-deb -x "$deb" "$root"
    dpkg-deb -c "$deb" | awk '{print "   " $6}'
done
need 'libpub-fp-ss1_*.deb' '/usr/lib/.*libpub\.fp\.ss\.so\.1 -> '
need 'libpub-fp-ss1_*.deb' '/usr/lib/.*libfpss_platform\.so\.1 -> '
need 'libpub-fp-ss-dev_*.deb' '/usr/include/ss_fp_mem\.h'
need 'libpub-fp-ss-dev_*.deb' '/usr/include/proto/s_policy\.pb-c\.h'
need 'libpub-fp-ss-dev_*.deb' '/pkgconfig/libpub\.fp\.ss\.pc'
need 'libpub-fp-ss-dev_*.deb' '/cmake/fpss/fpssConfig\.cmake'
need 'libpub-fp-ss-dev_*.deb' '/usr/lib/.*libpub\.fp\.ss\.so -> '
need 'fpss-tools_*.deb' '/usr/bin/fpsh'
need 'fpss-tools_*.deb' '/man1/fpsh\.1'
dpkg-deb -f "$dir"/libpub-fp-ss1_*.deb Depends | grep -q libprotobuf-c || { echo "runtime package does not depend on libprotobuf-c"; fail=1; }
dpkg-deb -f "$dir"/libpub-fp-ss-dev_*.deb Depends | grep -q libpub-fp-ss1 || { echo "-dev package does not depend on the runtime"; fail=1; }
# The unpacked library resolves from the scratch root alone (plus the system).
lib=$(find "$root" -name 'libpub.fp.ss.so.1' | head -n 1)
if LD_LIBRARY_PATH=$(dirname "$lib") ldd "$lib" | grep 'not found'; then echo "unresolved libraries"; fail=1; fi
[ $fail -eq 0 ] && echo "packages hold what they must"
exit $fail

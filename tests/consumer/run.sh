#!/usr/bin/env bash
# Installs a build of the library into a scratch prefix and builds the consumer
# module against it twice, through pkg-config and through find_package(fpss),
# then runs both (under the build's sanitizers, leak checking included).
# Usage: run.sh <build dir> <C compiler> [sanitizer flags...]
set -euo pipefail
build=$1 cc=$2
shift 2
san=("$@")
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libpub.fp.ss.so' | head -n 1)")
export LD_LIBRARY_PATH=$libdir
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}

echo "== pkg-config"
export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046
"$cc" -Wall -Werror "${san[@]}" "$here/consumer.c" -o "$tmp/consumer_pc" \
    $(pkg-config --cflags --libs libpub.fp.ss)
"$tmp/consumer_pc"

echo "== find_package(fpss)"
flags="${san[*]}"
cmake -S "$here" -B "$tmp/cm" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_COMPILER="$cc" \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$tmp/cm" >/dev/null
"$tmp/cm/consumer"

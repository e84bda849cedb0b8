#!/usr/bin/env bash
# The demo of a build tree (default: build/release): fpsh runs
# examples/demo.fpsh, every family of the library at work; then a second fpsh
# serves as a stand-in module, a third queries it from outside, and it is
# stopped.
set -euo pipefail
build=${1:-build/release}
fpsh=$build/tools/fpsh
"$fpsh" -x "$(dirname "$0")/demo.fpsh"

name=demo-$$
echo
echo "== a served process, queried from outside"
"$fpsh" --serve "$name" -c 'mem_record_dbg 1; cnt inc APPMNG acl add_ace_ok; cnt inc APPMNG acl add_ace_ok' &
pid=$!
trap 'kill "$pid" 2> /dev/null || true' EXIT
for _ in $(seq 200); do "$fpsh" --targets | grep -q "^$name " && break; sleep 0.05; done
query() {
    echo "\$ fpsh $*"
    "$fpsh" "$@"
}
query --targets
query --target "$name" help
query --target "$name" debug 0x8
query --target "$pid" mem_record_show 1
query --target "$name" metrics 5
kill -TERM "$pid"
wait "$pid"
trap - EXIT

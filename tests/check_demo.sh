#!/usr/bin/env bash
# Runs the demo (examples/demo.sh: fpsh on examples/demo.fpsh, then a served
# process queried from outside) of the build that holds the program given, and
# checks the lines that show every family at work.
set -uo pipefail
build=$(cd "$(dirname "$1")/.." && pwd)
out=$("$(dirname "$0")/../examples/demo.sh" "$build" 2>&1)
rc=$?
fail=0
if [ $rc -ne 0 ]; then echo "demo exited with $rc"; fail=1; fi
expect_line() {
  if ! grep -qxF -- "$1" <<< "$out"; then echo "missing line: $1"; fail=1; fi
}
expect_match() {
  if ! grep -qE -- "$1" <<< "$out"; then echo "no line matches: $1"; fail=1; fi
}
expect_line "malloc_free_sw opened."
expect_line "state DONE"
expect_line "built 2 of 2 unit messages; released"
expect_line "====begin ss_fp_debug_dump_mem_use_info===="
expect_match '^\[app/libss_fp_cap_mon +\]: [1-9][0-9]*$'
expect_match '^\[app/libss_fp_debug +\]: -[1-9][0-9]*$'  # the outer arrays came from the caller
expect_match '^>>mod: \[FP_MOD_APPMNG\], op time: [0-9]+\.[0-9]{6}s$'
expect_match '^add_ace +1 +[0-9]+ +[0-9]+$'
expect_match '^001b\.213c\.4d5e\./ffff\.ffff\.ffff\.$'
expect_match -- '--demo: policy 7 committed $'
expect_line '[FP:]    unit:0, app_type:13[SS_FP_APP_TYPE_IPSG], acl_id = 99, ace sn:255, sub_sn:0,    match_ptk:10    match_byte:1500    match_ptk1:0    match_byte1:0'
expect_match '^=+ test add_ace_diff =+'
expect_line 'fpss_counter_group_total{module="FP_MOD_APPMNG",group="acl"} 3'
expect_match '^fpsh: serving as demo-[0-9]+, pid [0-9]+, at /'
expect_match '^demo-[0-9]+ +[0-9]+$'
expect_line 'fpss_counter_group_total{module="FP_MOD_APPMNG",group="acl"} 2'
expect_match '^fpsh: demo-[0-9]+ stopped$'
[ $fail -eq 0 ] || { echo "----- demo output -----"; echo "$out"; }
exit $fail

#!/usr/bin/env bash
# Runs the demo host program and checks the lines that show the library
# working end to end.
set -uo pipefail
demo=$1
out=$("$demo" 2>&1)
rc=$?
fail=0
if [ $rc -ne 0 ]; then echo "demo exited with $rc"; fail=1; fi
expect_line() {
  if ! grep -qxF -- "$1" <<< "$out"; then echo "missing line: $1"; fail=1; fi
}
expect_match() {
  if ! grep -qE -- "$1" <<< "$out"; then echo "no line matches: $1"; fail=1; fi
}
expect_line "ss_fp_debug_init: 0"
expect_line "malloc_free_sw opened."
expect_line "mod: 0"
expect_line "mod: 0, grp: (null)"
expect_line "verify after the last answer: 0"
expect_line "2 units of 3 resources of 4 slices built: unit 1 has 3 resources"
expect_line "====begin ss_fp_debug_dump_mem_use_info===="
expect_line "====end ss_fp_debug_dump_mem_use_info===="
expect_match '^\[app/libss_fp_cap_mon +\]: [1-9][0-9]*$'
expect_match '^\[app/libss_fp_cnt +\]: [1-9][0-9]*$'
expect_match '^\[app/libss_fp_debug +\]: -1$'  # the outer array came from the caller
expect_match '^>>mod: \[FP_MOD_APPMNG\], op time: [0-9]+\.[0-9]{6}s$'
expect_match '^add_ace +8 +[0-9]+ +[0-9]+$'
expect_match 'SS_FP_RULE_MAC_DST'
expect_match 'add_ace_ok'
expect_match '^operation log: /tmp/zlog/ss_fp_log/'
[ $fail -eq 0 ] || { echo "----- demo output -----"; echo "$out"; }
exit $fail

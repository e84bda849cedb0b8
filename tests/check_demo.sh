#!/usr/bin/env bash
# Runs the demo (examples/demo.sh: fpsh on examples/demo.fpsh, then a served
# process queried from outside) of the build that holds the program given, and
# checks a line of each stage.
set -uo pipefail
build=$(cd "$(dirname "$1")/.." && pwd)
out=$("$(dirname "$0")/../examples/demo.sh" "$build" 2>&1) || { echo "the demo failed:"; echo "$out"; exit 1; }
fail=0
while read -r re; do
  grep -qE -- "$re" <<< "$out" || { echo "no line matches: $re"; fail=1; }
done <<'LINES'
^>>mod: \[FP_MOD_APPMNG\], op time: [0-9]+\.[0-9]{6}s$
^add_ace +1 +[0-9]+ +[0-9]+$
^state DONE$
--demo: policy 7 committed $
^=+ test add_ace_diff =+
^fpss_counter_group_total\{module="FP_MOD_APPMNG",group="acl"\} 3$
^demo-[0-9]+ +[0-9]+$
^\[app/libss_fp_cnt +\]: [1-9][0-9]*$
^fpss_counter_group_total\{module="FP_MOD_APPMNG",group="acl"\} 2$
^fpsh: demo-[0-9]+ stopped$
LINES
[ $fail -eq 0 ] || echo "$out"
exit $fail

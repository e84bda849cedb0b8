#!/usr/bin/env bash
# Checks the dynamic symbol table of the library against the list of names it
# may export: nothing beyond the list, and every listed name is exported.
set -euo pipefail
lib=$1 list=$2
exported=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRVWGS]$/ {sub(/@.*/, "", $3); print $3}' |
           grep -vE '^(_init|_fini|_edata|_end|__bss_start|__odr_asan.*|__asan.*|__tsan.*|__ubsan.*|__sanitizer.*)$' |
           sort -u)
wanted=$(grep -v '^$' "$list" | sort -u)
extra=$(comm -23 <(echo "$exported") <(echo "$wanted"))
missing=$(comm -13 <(echo "$exported") <(echo "$wanted"))
[ -z "$extra" ] || printf 'exported but not in the list: %s\n' $extra
[ -z "$missing" ] || printf 'listed but not exported: %s\n' $missing
echo "$(comm -12 <(echo "$exported") <(echo "$wanted") | grep -c .) of $(echo "$wanted" | grep -c .) listed names exported"
[ -z "$extra" ] && [ -z "$missing" ]

#!/usr/bin/env bash
# Checks the dynamic symbol table of the library against the list of names it
# may export. Names that fill the registries' operation slots may be exported
# too (libss_fp_cap_* and libss_fp_cnt_* functions).
set -euo pipefail
lib=$1 list=$2 incdir=$3
fail=0
exported=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRVWGS]$/ {print $3}' | sed 's/@.*//' | sort -u)
while read -r name; do
  [ -z "$name" ] && continue
  case "$name" in _init|_fini|_edata|_end|__bss_start|__odr_asan*|__asan*|__tsan*|__ubsan*|__sanitizer*) continue ;; esac
  if grep -qx "$name" "$list"; then continue; fi
  case "$name" in libss_fp_cap_*|libss_fp_cnt_*) continue ;; esac
  echo "exported but not in the list: $name"; fail=1
done <<< "$exported"
while read -r name; do
  [ -z "$name" ] && continue
  if grep -qw -- "$name" "$incdir"/*.h && ! grep -qx "$name" <<< "$exported"; then
    echo "declared in a public header but not exported: $name"; fail=1
  fi
done < "$list"
n=$(grep -cxFf "$list" <<< "$exported" || true)
echo "$n of $(grep -c . "$list") listed names exported"
exit $fail

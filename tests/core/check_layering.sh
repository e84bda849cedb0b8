#!/usr/bin/env bash
# core/ is the bottom layer of the library: its files include only the C and
# C++ libraries, the platform layer, the public headers of the shared switch
# word and list (ss_fp_report.h, ss_fp_list.h, ss_fp_export.h) and each other.
# Any other include is a family reaching down into core, or core reaching up.
set -u
app=$1
bad=$(grep -HnE '^#include "' "$app"/core/*.h "$app"/core/*.cpp |
      grep -vE '#include "(core/[a-z_]+\.h|ss_fp_platform\.h|ss_fp_report\.h|ss_fp_list\.h|ss_fp_export\.h)"')
if [ -n "$bad" ]; then
    echo "core/ includes a family header:"
    echo "$bad"
    exit 1
fi
echo "core/ includes no family header"

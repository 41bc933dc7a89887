#!/usr/bin/env bash
# Checks the objects of the native bootflash library as the CRT-free flasher will link them:
# no static constructors or destructors, no exception tables, no thread-local data, and no
# outside symbol but the few the flasher provides itself or takes from libgcc.
# usage: native_objects.sh TRIPLET LIBRARY
set -euo pipefail
triplet=$1 lib=$2
[ -s "$lib" ] || { echo "missing $lib"; exit 1; }

sections=$("$triplet-objdump" -h "$lib" | awk '/^ +[0-9]+ /{print $2}' | sort -u)
bad=$(grep -E '^(\.ctors|\.dtors|\.init_array|\.fini_array|\.CRT\$X|\.eh_frame|\.gcc_except_table|\.tls)' \
  <<<"$sections" || true)
[ -z "$bad" ] || { echo "forbidden sections in $lib:"; echo "$bad"; exit 1; }

# Symbols used but not defined inside the library itself.
defined=$("$triplet-nm" --defined-only "$lib" | awk 'NF==3{print $3}' | sort -u)
undefined=$("$triplet-nm" -u "$lib" | awk 'NF==2{print $2}' | sort -u)
outside=$(comm -23 <(echo "$undefined") <(echo "$defined") |
  grep -vxE '_?_?_chkstk(_ms)?|_?(memset|memcpy|memmove)' || true)
[ -z "$outside" ] || { echo "outside symbols needed by $lib:"; echo "$outside"; exit 1; }
echo "$lib: $(echo "$defined" | wc -l) symbols, freestanding"

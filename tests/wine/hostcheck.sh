#!/usr/bin/env bash
# Runs the 32-bit (or 64-bit) host-check program under Wine and checks what it reports
# against what the default Wine prefix is: Windows 7 SP1, 64-bit, administrator.
# usage: hostcheck.sh EXE BITS
set -euo pipefail
exe=$1 bits=$2
source "$(dirname "$0")/wine-env.sh"
work=$(mktemp -d "$QZ_WINE_ROOT/hostcheck.XXXXXX")

try() { qz_wine "$work/out" "$work/err" 60 "$exe"; }
try || try || { echo "hostcheck did not run"; cat "$work/err"; exit 1; }
tr -d '\r' <"$work/out" >"$work/report"
cat "$work/report"

expect() {
  grep -qx "$1" "$work/report" || { echo "missing line: $1"; exit 1; }
}
# Windows 7 workstation SP1 on an x64 processor: family 0x0E, no edition bits, service pack 1.
expect 'OsVersionCode=0x0E001000'
expect 'NtPlatform=1'
expect 'Administrator=1'
if [ "$bits" = 32 ]; then expect 'Wow64=1'; else expect 'Wow64=0'; fi
expect 'TimerNoCounter=0'
ms=$(sed -n 's/^TimerElapsedMs=//p' "$work/report")
awk -v ms="$ms" 'BEGIN { exit !(ms >= 15 && ms < 2000) }' || { echo "implausible lap: $ms ms"; exit 1; }
echo "hostcheck $bits-bit: ok"

#!/usr/bin/env bash
# The two access libraries loaded by a program of their bitness, without their drivers: each
# is entered at DllMain with no runtime beneath it, answers the entry points that need no
# driver with the library's own values and texts, and lets go.
# usage: access_dlls.sh EXE TESSEL_DLL TESSELIO_DLL BITS
set -euo pipefail
exe=$1 tessel=$2 port=$3 bits=$4
source "$(dirname "$0")/wine-env.sh"
work=$(mktemp -d "$QZ_WINE_ROOT/access_dlls.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/check.exe"
cp "$tessel" "$work/tessel.dll"
cp "$port" "$work/tesselio.dll"

try() { (cd "$work" && qz_wine "$work/out" "$work/err" 60 check.exe tessel.dll tesselio.dll); }
try || try || { echo "access_dll_check did not run"; cat "$work/out" "$work/err"; exit 1; }
tr -d '\r' <"$work/out" >"$work/report"
cat "$work/report"

fail=0
expect() {
  grep -qx "$1" "$work/report" || { echo "missing line: $1"; fail=1; }
}
expect 'TesselLoaded=1'
expect 'Version=320'
expect 'WinNT=-1'
# A 64-bit process is no WOW64 process; a 32-bit one in the default prefix is.
if [ "$bits" = 32 ]; then expect 'Win64=-1'; else expect 'Win64=0'; fi
expect 'PeekUnopened=0'
expect 'StateUnopened=9996 No device handle'
expect 'CloseUnopened=0'
expect 'InfoWithoutIds=0'
expect 'StateWithoutIds=87 Invalid Parameter'
expect 'TesselFreed=1'
expect 'PortLoaded=1'
expect 'PortVersion=0x0100'
expect 'InportNoDriver=0'
grep -qE "^PortState=-1 Can't open the port driver \(error [1-9][0-9]*\)$" "$work/report" ||
  { echo "no driver, yet the state does not say so"; fail=1; }
expect 'FastMode=1'
expect 'PortFreed=1'
if grep -q '^Missing=' "$work/report"; then fail=1; fi
[ "$fail" = 0 ] || exit 1
echo "access libraries $bits-bit: ok"

#!/usr/bin/env bash
# Runs a 64-bit Ferryman.exe under Wine: it must copy Ombrel.exe and FW.bin from SysWOW64
# into the 64-bit system directory, byte for byte, and exit 0; without a source it must
# exit non-zero and copy nothing.
# usage: ferryman.sh EXE
set -euo pipefail
exe=$1
source "$(dirname "$0")/wine-env.sh"
win=$WINEPREFIX/drive_c/windows
work=$(mktemp -d "$QZ_WINE_ROOT/ferryman.XXXXXX")

head -c 20480 /dev/urandom >"$work/Ombrel.exe"
head -c 262160 /dev/urandom >"$work/FW.bin"
cp "$work/Ombrel.exe" "$work/FW.bin" "$win/syswow64/"
rm -f "$win/system32/Ombrel.exe" "$win/system32/FW.bin"

qz_wine "$work/out" "$work/err" 60 "$exe" && rc=0 || rc=$?
[ "$rc" = 0 ] || { echo "exit code $rc"; cat "$work/err"; exit 1; }
cmp "$work/Ombrel.exe" "$win/system32/Ombrel.exe"
cmp "$work/FW.bin" "$win/system32/FW.bin"

rm -f "$win/syswow64/Ombrel.exe" "$win/system32/Ombrel.exe" "$win/system32/FW.bin"
qz_wine "$work/out" "$work/err" 60 "$exe" && rc=0 || rc=$?
[ "$rc" != 0 ] || { echo "exit code 0 without a source"; exit 1; }
[ ! -e "$win/system32/Ombrel.exe" ] && [ ! -e "$win/system32/FW.bin" ] || { echo "copied without a source"; exit 1; }
rm -f "$win/syswow64/FW.bin"
echo "ferryman: ok"

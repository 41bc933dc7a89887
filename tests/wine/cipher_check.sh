#!/usr/bin/env bash
# Runs the native cipher check program under Wine on a FW.bin made on the host with the
# updater's key copy, after filling its configuration block the way the updater does, and
# checks what it shows and the image it deciphers. With a 32-bit flashprep.exe it also checks
# that the Windows build of the updater's transform writes the same FW.bin.
# usage: cipher_check.sh CHECK_EXE BITS HOST_FLASHPREP [FLASHPREP_EXE]
set -euo pipefail
exe=$1 bits=$2 flashprep=$3 flashprep_exe=${4:-}
source "$(dirname "$0")/wine-env.sh"
work=$(mktemp -d "$QZ_WINE_ROOT/cipher$bits.XXXXXX")
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# A 256 KiB image with its marker at 0x100, as the shipped images carry it.
head -c 262144 /dev/urandom >"$work/plain.bin"
printf 'ssdbinv' | dd of="$work/plain.bin" bs=1 seek=256 conv=notrunc status=none
"$flashprep" fwbin "$work/plain.bin" "$work/FW.bin"
cmp -s "$work/plain.bin" "$work/FW.bin" && { echo "FW.bin is the plain image"; exit 1; }

if [ -n "$flashprep_exe" ]; then
  qz_wine "$work/prep.out" "$work/prep.err" 60 "$flashprep_exe" fwbin \
    "$(winpath "$work/plain.bin")" "$(winpath "$work/FW32.bin")" ||
    { echo "flashprep.exe failed"; cat "$work/prep.err"; exit 1; }
  cmp "$work/FW.bin" "$work/FW32.bin" || { echo "Windows and host FW.bin differ"; exit 1; }
  echo "flashprep.exe wrote the same FW.bin as the host"
fi

# Runs a copy of the check program; its NtDisplayString lines go to $work/$1.shown.
run() {
  local name=$1; shift
  local try
  for try in 1 2; do
    if WINEDEBUG=-all,err+ntdll timeout 60 wine "$work/$name.exe" "$@" </dev/null \
      >"$work/$name.out" 2>"$work/$name.err"; then
      sed -n 's/^.*NtDisplayString L"\(.*\)\\n"$/\1/p' "$work/$name.err" | tr -d '\r' \
        >"$work/$name.shown"
      [ -s "$work/$name.shown" ] && { cat "$work/$name.shown"; return 0; }
    fi
  done
  echo "$name did not run"; cat "$work/$name.err"; exit 1
}
expect() { # file line
  grep -qxF -- "$2" "$work/$1.shown" || { echo "missing line in $1: $2"; exit 1; }
}
blanks21='                     '
na="N/A$blanks21"

# As built: no boot-code update, count 0000, every model N/A.
cp "$exe" "$work/built.exe"
run built
expect built "CIPHER CHECK $bits-BIT KAT=OK"
expect built "CONFIG FLAG=0 REV=[        ] EXT=[        ] COUNT=0000/0"
for k in 1 2 3 4 5 6; do expect built "CONFIG MODEL$k=[$na]"; done
expect built "NO FWBIN ARGUMENTS"

# Filled as the updater fills it, then deciphering the host's FW.bin.
cp "$exe" "$work/patched.exe"
"$flashprep" patch "$work/patched.exe" UPDATEBOOT= 1 _____FW= VRDC _FW_EXT= VRDC-4 \
  DRIVECOUNT= 0001 VENDID1= 'VORTANIX QRX-480T9A     '
run patched "\\??\\$(winpath "$work/FW.bin")" "\\??\\$(winpath "$work/plain.out")"
expect patched "CIPHER CHECK $bits-BIT KAT=OK"
expect patched "CONFIG FLAG=1 REV=[VRDC    ] EXT=[VRDC-4  ] COUNT=0001/1"
expect patched "CONFIG MODEL1=[VORTANIX QRX-480T9A     ]"
for k in 2 3 4 5 6; do expect patched "CONFIG MODEL$k=[$na]"; done
expect patched "FWBIN LENGTH=262144 PROCESSED=262160 MARKER=256"
expect patched "PLAIN WRITTEN"
cmp "$work/plain.bin" "$work/plain.out" || { echo "deciphered image differs"; exit 1; }

# Refusals leave the file as it was.
cp "$work/patched.exe" "$work/refused.exe"
if "$flashprep" patch "$work/refused.exe" _____FW= VRDC DRIVECOUNT= 0007 2>/dev/null; then
  echo "count 0007 was accepted"; exit 1
fi
cmp "$work/patched.exe" "$work/refused.exe"
echo "cipher check $bits-bit: ok"

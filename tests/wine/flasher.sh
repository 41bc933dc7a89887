#!/usr/bin/env bash
# Runs one build of the boot-time flasher under Wine from the prefix's system directory, the
# way the Session Manager would find it, with a configuration block filled as the updater
# fills it and FW.bin made by the updater's cipher copy from the sample image. Wine's
# \??\PhysicalDrive0 opens but answers no ATA command, so the drive has an all-zero identity.
# Each run's transcript, Ombrel.log beside FW.bin, is read back.
# usage: flasher.sh FLASHER_EXE BITS HOST_FLASHPREP HOST_SAMPLEFW
set -euo pipefail
exe=$1 bits=$2 flashprep=$3 samplefw=$4
source "$(dirname "$0")/wine-env.sh"
work=$(mktemp -d "$QZ_WINE_ROOT/flasher$bits.XXXXXX")
model='VORTANIX QRX-480T9A     '  # 24 characters, as the updater writes VENDID1=

# The prefix is 64-bit: a 32-bit program's system directory is syswow64 in Wine's file
# layout, and Wine's start-up resolves the program's path in the 64-bit view, so the 32-bit
# build is named by that path (its image path then leads the flasher to FW.bin beside it).
if [ "$bits" = 32 ]; then
  sysdir="$WINEPREFIX/drive_c/windows/syswow64"
  program='C:\windows\syswow64\Ombrel.exe'
  launch=(wine)
else
  sysdir="$WINEPREFIX/drive_c/windows/system32"
  program='C:\windows\system32\Ombrel.exe'
  launch=(/usr/lib/wine/wine64)
fi
session='HKLM\System\CurrentControlSet\Control\Session Manager'

"$samplefw" "$work/plain.bin"
"$flashprep" fwbin "$work/plain.bin" "$work/FW.bin"
cp "$exe" "$work/Ombrel.exe"
"$flashprep" patch "$work/Ombrel.exe" UPDATEBOOT= 0 _____FW= VRDC _FW_EXT= VRDC-4 \
  DRIVECOUNT= 0001 VENDID1= "$model" KEY= VRDB
cp "$work/Ombrel.exe" "$sysdir/Ombrel.exe"

reg_set() { # entries separated by \0
  timeout 60 wine reg add "$session" /v BootExecute /t REG_MULTI_SZ /d "$1" /f \
    </dev/null >"$work/reg.out" 2>&1 || { echo "reg add failed"; cat "$work/reg.out"; exit 1; }
}
# A query that fails to run (Wine's server still starting or ending now and then) is asked
# again; a value that is there but wrong fails at once.
reg_expect() {
  local got try
  for try in 1 2 3; do
    if timeout 60 wine reg query "$session" /v BootExecute </dev/null >"$work/reg.out" 2>"$work/reg.err" \
      && grep -q 'BootExecute' "$work/reg.out"; then
      got=$(tr -d '\r' <"$work/reg.out" | sed -n 's/^ *BootExecute *REG_MULTI_SZ *//p')
      [ "$got" = "$1" ] || { echo "BootExecute is [$got], expected [$1]"; exit 1; }
      return 0
    fi
    timeout 60 wineserver -w </dev/null >/dev/null 2>&1 || true
  done
  echo "BootExecute could not be read, expected [$1]"; cat "$work/reg.out" "$work/reg.err"; exit 1
}

# One run; the NtDisplayString texts, one call per line, go to $work/$1.shown. A stale log
# is left where the flasher writes its own: it must be replaced.
run() {
  local name=$1 try
  for try in 1 2; do
    printf 'stale log\r\n' >"$sysdir/Ombrel.log"
    if WINEDEBUG=-all,err+ntdll timeout 120 "${launch[@]}" "$program" FW.bin \
      </dev/null >"$work/$name.out" 2>"$work/$name.err"; then
      sed -n 's/^.*NtDisplayString L"\(.*\)"$/\1/p' "$work/$name.err" | tr -d '\r' >"$work/$name.shown"
      [ -s "$work/$name.shown" ] && { cat "$work/$name.shown"; return 0; }
    fi
  done
  echo "the flasher did not run"; cat "$work/$name.err"; exit 1
}
expect() { # name, exact line
  grep -qxF -- "$2" "$work/$1.shown" || { echo "missing in $1: [$2]"; exit 1; }
}
# The transcript: header, what was shown, then END; CR LF line ends, at most 16 KiB. Its
# text lines go to $work/$1.log.
check_log() { # name, lines that must be in it...
  local name=$1 log="$sysdir/Ombrel.log" line; shift
  [ -f "$log" ] || { echo "$name: no Ombrel.log"; exit 1; }
  [ "$(stat -c %s "$log")" -le 16384 ] || { echo "$name: Ombrel.log over 16 KiB"; exit 1; }
  [ "$(tr -cd '\n' <"$log" | wc -c)" = "$(grep -c $'\r$' "$log")" ] \
    || { echo "$name: a line of Ombrel.log does not end in CR LF"; exit 1; }
  tr -d '\r' <"$log" >"$work/$name.log"
  [ "$(sed -n 1p "$work/$name.log")" = 'OMBREL LOG 1' ] || { echo "$name: not a log"; cat "$log"; exit 1; }
  sed -n 2p "$work/$name.log" | grep -qxE 'DATE [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} UTC' \
    || { echo "$name: bad date line"; cat "$log"; exit 1; }
  [ "$(tail -n 1 "$work/$name.log")" = 'END' ] || { echo "$name: log without END"; cat "$log"; exit 1; }
  for line in '                   UPDATE FW for SSD ' "$@"; do
    grep -qxF -- "$line" "$work/$name.log" || { echo "$name: missing in Ombrel.log: [$line]"; cat "$log"; exit 1; }
  done
}
expect_banner() {
  expect "$1" '============================================================\n'
  expect "$1" '                   UPDATE FW for SSD \n'
  expect "$1" '============================================================\n\n'
}

# 1. The cipher copies agree across real binaries: the marker is found, the target is shown,
#    and the drive (all-zero identity) does not match. Another program's entry stays.
cp "$work/FW.bin" "$sysdir/FW.bin"
reg_set 'autocheck autochk /k:C *\0Ombrel FW.bin'
run good
expect_banner good
expect good 'TARGET DEVICE: '
expect good "$model"
expect good "CAN'T FIND A SUITABLE DEVICE !\\n"
reg_expect 'autocheck autochk /k:C *'
# Drive 0 did not identify: its bytes are shown as '?', and the target is the configured one.
check_log good "TARGET DEVICE: ${model}CAN'T FIND A SUITABLE DEVICE !" \
  'DRIVE|00|????????????????????????|????????|VRDC    |--------|OTHER MODEL'
cmp -s "$work/FW.bin" "$sysdir/FW.bin" || { echo "FW.bin changed without a flash"; exit 1; }

# 2. A file that does not decipher to the marker (the plain image, not enciphered).
cp "$work/plain.bin" "$sysdir/FW.bin"
reg_set 'OMBREL.EXE FW.bin'
run nomarker
expect_banner nomarker
expect nomarker "Can't find matched Firmware !\\n"
grep -q 'TARGET DEVICE' "$work/nomarker.shown" && { echo "went past the file check"; exit 1; }
reg_expect 'autocheck autochk *'
check_log nomarker "Can't find matched Firmware !"
grep -q '^DRIVE|' "$work/nomarker.log" && { echo "drive lines without a target loop"; exit 1; }

# 3. A file that carries the done-mark.
cp "$work/FW.bin" "$sysdir/FW.bin"
printf 'NATIVEFLASH_DONE' | dd of="$sysdir/FW.bin" bs=1 seek=256 conv=notrunc status=none
reg_set 'Ombrel FW.bin\0autocheck autochk *'
run done
expect_banner done
expect done 'Firmware update DONE !\n'
reg_expect 'autocheck autochk *'
check_log done 'Firmware update DONE !'

rm -f "$sysdir/Ombrel.exe" "$sysdir/FW.bin" "$sysdir/Ombrel.log"
echo "flasher $bits-bit under Wine: ok"

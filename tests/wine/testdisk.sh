#!/usr/bin/env bash
# The real boot-time flasher flashes a drive. A copy of the prefix of the flasher's bitness
# gets the test disk driver (tests/wine/testdisk) as a kernel service; its drive answers as
# \??\PhysicalDrive3. Each run sets the drive up, runs the flasher from the system directory
# as the Session Manager would (image patched by the real patcher, FW.bin made by the real
# update code), then reads back every request the disk received and the image it assembled.
# BITS: 32 (32-bit prefix), 64, or 32on64 (the 32-bit flasher on the 64-bit driver, which
# must decode the 32-bit caller's layout). WINDOWS_TREE holds the driver of the prefix's
# bitness.
# usage: testdisk.sh FLASHER_EXE BITS HOST_FLASHPREP HOST_SAMPLEFW WINDOWS_TREE [SCENARIOS]
set -euo pipefail
exe=$1 bits=$2 flashprep=$3 samplefw=$4 tree=$5/tests/wine/testdisk
: "${QZ_WINE_ROOT:?}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$QZ_WINE_ROOT"

system=system32 flasher=(wine) header=40
case $bits in
  32)
    export WINEARCH=win32
    base="$QZ_WINE_ROOT/prefix32" lock="$QZ_WINE_ROOT/.lock32" launch=(wine) ;;
  64)
    base="$QZ_WINE_ROOT/prefix64" lock="$QZ_WINE_ROOT/.lock" launch=(/usr/lib/wine/wine64)
    flasher=("${launch[@]}") header=48 ;;
  32on64)
    base="$QZ_WINE_ROOT/prefix64" lock="$QZ_WINE_ROOT/.lock" launch=(/usr/lib/wine/wine64)
    system=syswow64 bits=32 ;;
  *) echo "BITS: 32, 64 or 32on64"; exit 2 ;;
esac
name=testdisk$2
source "$(dirname "$0")/testdisk-env.sh"
sysdir="$win/$system"
program="C:\\windows\\$system\\Ombrel.exe"
model='VORTANIX QRX-480T9A'
target="$model     "  # 24 characters, as the updater writes VENDID1=

"$samplefw" "$work/plain.bin"
"$flashprep" fwbin "$work/plain.bin" "$work/FW.bin"
mark=$(grep -obUaF ssdbinv "$work/plain.bin" | head -1 | cut -d: -f1)

# The staged drive's revision the updater records after KEY= (empty: none, as an older updater
# left it).
staged=

# One flasher run: NAME UPDATEBOOT then the drive's setup (model revision extension [fault
# block]). Leaves NAME.shown (NtDisplayString texts), NAME.log (requests), NAME.state,
# NAME.img (the assembled image) and NAME.fw (FW.bin afterwards).
run() {
  local name=$1 boot=$2; shift 2
  ctl setup 3 "$1" SN-TD-0001 "${@:2}"
  cp "$exe" "$work/Ombrel.exe"
  "$flashprep" patch "$work/Ombrel.exe" UPDATEBOOT= "$boot" _____FW= VRDC _FW_EXT= VRDC-4 \
    DRIVECOUNT= 0001 VENDID1= "$target" ${staged:+KEY= "$staged"}
  cp "$work/Ombrel.exe" "$sysdir/Ombrel.exe"
  cp "$work/FW.bin" "$sysdir/FW.bin"
  head -c 2048 /dev/zero >"$win/bootstat.dat"
  local start=$SECONDS
  WINEDEBUG=-all,err+ntdll,fixme+ntdll timeout 120 "${flasher[@]}" "$program" FW.bin \
    </dev/null >"$work/$name.out" 2>"$work/$name.err" || true
  local took=$((SECONDS - start))
  sed -n 's/^.*NtDisplayString L"\(.*\)"$/\1/p' "$work/$name.err" | tr -d '\r' >"$work/$name.shown"
  [ -s "$work/$name.shown" ] || { echo "$name: the flasher did not run"; cat "$work/$name.err"; exit 1; }
  ctl dump "$name.log" "$name.state" "$name.img"
  tr -d '\r' <"$work/$name.log" >"$work/$name.lines"
  sed -i 's/\r$//' "$work/$name.state"
  cp "$sysdir/FW.bin" "$work/$name.fw"
  cp "$win/bootstat.dat" "$work/$name.bootstat"
  echo "== $name: ${took}s; the disk received (runs of download blocks folded):"
  awk 'function flush() { if (n) print "  " first; if (n > 2) print "  ... " n - 2 " more alike"
                        if (n > 1) print "  " last; n = 0 }
       /regs=03 01 00 .. .. A0 92 ->/ { r = $0; sub(/.*->/, "", r)
         if (n && r == result) { last = $0; n++; next }
         flush(); first = last = $0; result = r; n = 1; next }
       { flush(); print "  " $0 }
       END { flush() }' "$work/$name.lines"
}

fail() { echo "$1: $2"; exit 1; }
shown() { grep -qxF -- "$2" "$work/$1.shown" || fail "$1" "not shown: [$2]"; }
not_shown() { ! grep -qF -- "$2" "$work/$1.shown" || fail "$1" "shown: [$2]"; }
state() { grep -qx "$2" "$work/$1.state" || fail "$1" "state is not $2: $(tr '\n' ' ' <"$work/$1.state")"; }

# The lines a correct flasher's requests leave, in this build's layout.
ata() { # FLAGS REGS RESULT
  local length=512 offset=$header
  printf 'ata layout=%s header=%s flags=%s length=%s offset=%s timeout=30 regs=%s -> %s\n' \
    "$bits" "$header" "$1" "$length" "$offset" "$2" "$3"
}
# The bus type query that comes before anything is sent to a disk.
query() { echo 'ioctl=002D1400 in=12 out=512 -> 00000000'; }
identify() { ata 03 '00 01 00 00 00 00 EC' "${1:-status=50 error=00}"; }
block() { ata 05 "$(printf '03 01 00 %02X %02X A0 92' $(($1 & 255)) $(($1 >> 8)))" "${2:-status=50 error=00}"; }
blocks() { local b; for ((b = $1; b < $2; ++b)); do block "$b"; done; }
# The log must be EXPECTED, followed only by what REST (an extended regex) allows.
received() { # NAME EXPECTED-FILE [REST]
  local n
  n=$(wc -l <"$2")
  head -n "$n" "$work/$1.lines" | diff -u "$2" - >"$work/$1.diff" \
    || { echo "$1: the disk received otherwise than expected:"; head -40 "$work/$1.diff"; exit 1; }
  if tail -n +"$((n + 1))" "$work/$1.lines" | grep -qvE "^(${3:-\$^})\$"; then
    echo "$1: the disk received more:"; tail -n +"$((n + 1))" "$work/$1.lines" | head -5; exit 1
  fi
}
unmarked() { cmp -s "$work/FW.bin" "$work/$1.fw" || fail "$1" "FW.bin changed"; }
no_restart() { ! grep -q NtShutdownSystem "$work/$1.err" || fail "$1" "a restart was asked for"; }
identify_re="$(identify | sed 's/[][().]/\\&/g')"

# 1. The whole download: 512 blocks in order, one trigger with the boot-code flag, the image
#    byte for byte, the done-mark over the marker, bootstat.dat marked (byte 10), the restart
#    asked for.
scenario_whole() {
  staged=VRDA run whole 1 "$model" VRDA VRDA-1
  { query; identify; blocks 0 512; ata 05 '07 01 00 4C 41 A0 92' 'status=50 error=00'; } >"$work/whole.expected"
  received whole "$work/whole.expected"
  state whole 'activated=1'
  state whole 'trigger=4C 41'
  state whole 'blocks=512'
  cmp "$work/plain.bin" "$work/whole.img" || fail whole "the assembled image is not the sample image"
  [ "$(dd if="$work/whole.fw" bs=1 skip="$mark" count=16 status=none)" = NATIVEFLASH_DONE ] \
    || fail whole "no done-mark at $mark"
  [ "$(od -An -tx1 -j10 -N1 "$work/whole.bootstat" | tr -d ' ')" = 01 ] || fail whole "bootstat.dat not marked"
  grep -q NtShutdownSystem "$work/whole.err" || fail whole "no restart asked for"
  shown whole 'PASS !\n'
}

# 2. The drive aborts block 100 (ERR in its status): nothing more is downloaded and no
#    trigger sent; the flasher may only identify the drive again.
scenario_aborted() {
  run aborted 1 "$model" VRDA VRDA-1 abort-block 100
  { query; identify; blocks 0 100; block 100 'status=51 error=04'; } >"$work/aborted.expected"
  received aborted "$work/aborted.expected" "$identify_re"
  state aborted 'activated=0'
  not_shown aborted 'PASS !'
}

# 3. The drive stops answering at block 100.
scenario_silent() {
  run silent 1 "$model" VRDA VRDA-1 silent-at-block 100
  { query; identify; blocks 0 100; block 100 'no answer'; } >"$work/silent.expected"
  received silent "$work/silent.expected" "$(identify 'no answer' | sed 's/[][().]/\\&/g')"
  not_shown silent 'PASS !'
}

# 4. The trigger is aborted (boot code not asked for this time): no success claimed.
scenario_trigger() {
  run trigger 0 "$model" VRDA VRDA-1 trigger-error
  { query; identify; blocks 0 512; ata 05 '07 01 00 00 00 A0 92' 'status=51 error=04'; } >"$work/trigger.expected"
  received trigger "$work/trigger.expected" "$identify_re"
  state trigger 'activated=0'
  not_shown trigger 'PASS !'
}

# 5. A drive at the target revision and extension: "THE SAME !", nothing downloaded.
scenario_same() {
  run same 1 "$model" VRDC VRDC-4
  { query; identify; ata 05 'FC 01 00 00 00 00 FF' 'status=50 error=00'
    ata 03 'FD 01 00 00 00 00 FF' 'status=50 error=00'; } >"$work/same.expected"
  received same "$work/same.expected"
  shown same '    THE SAME !\n'
  unmarked same
  no_restart same
}

# 6. A drive of another model receives nothing but the bus query and IDENTIFY.
scenario_other() {
  run other 1 'KELDRON ZT-512R4A' VRDA VRDA-1
  { query; identify; } >"$work/other.expected"
  received other "$work/other.expected"
  shown other "CAN'T FIND A SUITABLE DEVICE !\\n"
  unmarked other
  no_restart other
}

# 7. The updater staged a drive of this model at another revision: this one is left alone and
#    receives nothing but the bus query and IDENTIFY.
scenario_twin() {
  staged=VRD9 run twin 1 "$model" VRDA VRDA-1
  { query; identify; } >"$work/twin.expected"
  received twin "$work/twin.expected"
  shown twin '    LEFT ALONE: NOT THE DRIVE THAT WAS STAGED !\n'
  not_shown twin "CAN'T FIND"
  unmarked twin
  no_restart twin
}

for scenario in ${6:-whole silent trigger same other twin aborted}; do "scenario_$scenario"; done

# The driver unloads: links and devices go.
timeout 60 "${launch[@]}" sc stop qztestdisk </dev/null >"$work/stop.out" 2>&1 || true
grep -q STOPPED "$work/stop.out" || { echo "the test disk driver did not stop"; cat "$work/stop.out"; exit 1; }

echo "flasher $bits-bit on the test disk under Wine (${6:-all}): ok"

#!/usr/bin/env bash
# The whole update on real binaries, as far as Wine goes. The test disk also appears to plug
# and play (a disk-class device interface the Setup API lists); the packed Quenzar.exe lists
# and identifies it and stages the update (in the 64-bit prefix: FW.bin, the 64-bit flasher
# copied by the copy helper, BootExecute); then the staged flasher runs as the Session
# Manager would run the BootExecute entry, and flashes the drive.
# With WINDOWS (win81, win10) Wine reports that version, and BootExecute starts as those ship it.
# usage: testdisk-quenzar.sh PACKED_EXE SAMPLE_FW WIN64_TREE ARTEFACT_DIR [WINDOWS]
set -euo pipefail
packed=$1 samplefw=$2 tree=$3/tests/wine/testdisk artefacts=$4 windows=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
# Every Wine program of this test runs on the virtual display: the first one that opens the
# session's desktop (reg.exe does) binds it to the display it sees, and a desktop opened
# without one never shows the updater's window.
if [ -z "${QZ_TESTDISK_XVFB:-}" ]; then
  QZ_TESTDISK_XVFB=1 exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
: "${QZ_WINE_ROOT:?}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$QZ_WINE_ROOT" "$artefacts"
base="$QZ_WINE_ROOT/prefix64" lock="$QZ_WINE_ROOT/.lock" launch=(/usr/lib/wine/wine64)
name=testdisk-quenzar
source "$here/testdisk-env.sh"
session='HKLM\System\CurrentControlSet\Control\Session Manager'
fail() { echo "$1"; exit 1; }

bootlist='autocheck autochk *'
if [ -n "$windows" ]; then
  bootlist='autocheck autochk /q /v *'
  timeout 60 "${launch[@]}" reg add 'HKCU\Software\Wine' /v Version /d "$windows" /f </dev/null >"$work/version.out" 2>&1 \
    || { cat "$work/version.out"; fail "Wine was not set to report $windows"; }
  timeout 60 "${launch[@]}" reg add "$session" /v BootExecute /t REG_MULTI_SZ /d "$bootlist" /f \
    </dev/null >>"$work/version.out" 2>&1 || { cat "$work/version.out"; fail "BootExecute not set"; }
fi

ctl setup 3 'VORTANIX QRX-480T9A' SN-TD-0001 VRDA VRDA-1
ctl announce
# Wine enumerates the new device in the background: wait for its interface.
for _ in $(seq 1 20); do
  timeout 30 "${launch[@]}" reg query \
    'HKLM\System\CurrentControlSet\Control\DeviceClasses\{53f56307-b6bf-11d0-94f2-00a0c91efb8b}' \
    </dev/null >"$work/classes.out" 2>&1 || true
  grep -qi 'diskqztestdisk' "$work/classes.out" && break
  sleep 0.5
done
grep -qi 'diskqztestdisk' "$work/classes.out" || fail "the disk interface was not registered"
head -c 2048 /dev/zero >"$win/bootstat.dat"
cp "$packed" "$work/Quenzar.exe"

start=$SECONDS
"$here/testdisk-quenzar-x.sh" "$work" "$artefacts"
echo "== the updater: $((SECONDS - start))s"

timeout 60 wine reg query "$session" /v BootExecute </dev/null >"$work/boot.reg" 2>&1 || true
grep -qF "$bootlist\\0Ombrel FW.bin" "$work/boot.reg" || { cat "$work/boot.reg"; fail "BootExecute not staged"; }
[ -f "$win/system32/Ombrel.exe" ] && [ -f "$win/system32/FW.bin" ] || fail "the update files are not in system32"
case $(grep -ao 'UPDATEBOOT=[01]' "$win/system32/Ombrel.exe" | head -1) in
  UPDATEBOOT=1) flag='4C 41' ;;
  UPDATEBOOT=0) flag='00 00' ;;
  *) fail "the staged flasher has no boot-code flag" ;;
esac

# The next boot: the BootExecute entry "Ombrel FW.bin" from the system directory.
start=$SECONDS
WINEDEBUG=-all,err+ntdll,fixme+ntdll timeout 120 "${launch[@]}" 'C:\windows\system32\Ombrel.exe' \
  FW.bin </dev/null >"$work/flasher.out" 2>"$work/flasher.err" || true
echo "== the flasher: $((SECONDS - start))s"
ctl dump all.log all.state all.img
tr -d '\r' <"$work/all.log" >"$work/all.lines"
sed -i 's/\r$//' "$work/all.state"

# The updater (32-bit, so the 32-bit layout on this 64-bit driver) identified the drive; the
# flasher (64-bit) sent exactly the download.
echo "== what the disk received from the updater:"
grep -v 'layout=64' "$work/all.lines" | sort | uniq -c | sed 's/^/  /'
grep -q '^ata layout=32 .*regs=.. .. .. .. .. .. EC -> status=50' "$work/all.lines" \
  || fail "the updater never identified the drive"
grep 'layout=64' "$work/all.lines" >"$work/flasher.lines" || true
{
  printf 'ata layout=64 header=48 flags=03 length=512 offset=48 timeout=30 regs=00 01 00 00 00 00 EC -> status=50 error=00\n'
  for ((b = 0; b < 512; ++b)); do
    printf 'ata layout=64 header=48 flags=05 length=512 offset=48 timeout=30 regs=03 01 00 %02X %02X A0 92 -> status=50 error=00\n' \
      $((b & 255)) $((b >> 8))
  done
  printf 'ata layout=64 header=48 flags=05 length=512 offset=48 timeout=30 regs=07 01 00 %s A0 92 -> status=50 error=00\n' "$flag"
} >"$work/flasher.expected"
echo "== what the disk received from the flasher: $(wc -l <"$work/flasher.lines") requests"
diff -u "$work/flasher.expected" "$work/flasher.lines" >"$work/flasher.diff" \
  || { head -30 "$work/flasher.diff"; fail "the flasher's requests differ"; }
grep -qx 'activated=1' "$work/all.state" || fail "the drive was not activated"
cmp "$samplefw" "$work/all.img" || fail "the drive's image is not the package's image"
grep -qa NATIVEFLASH_DONE "$win/system32/FW.bin" || fail "FW.bin has no done-mark"
grep -q NtShutdownSystem "$work/flasher.err" || fail "no restart asked for"
timeout 60 wine reg query "$session" /v BootExecute </dev/null >"$work/boot2.reg" 2>&1 || true
[ "$(tr -d '\r' <"$work/boot2.reg" | sed -n 's/^ *BootExecute *REG_MULTI_SZ *//p')" = "$bootlist" ] \
  || { cat "$work/boot2.reg"; fail "BootExecute was not restored"; }
echo "the whole update on the test disk under Wine${windows:+ reporting $windows}: ok"

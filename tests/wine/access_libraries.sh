#!/usr/bin/env bash
# The register-access libraries under Wine, in a 32-bit-only prefix of their own: the real
# loaders write both libraries and their x86 drivers, create and start both services (demand
# start) and load the libraries; requests then reach the physical-access driver for real, and
# letting go stops both drivers. A second run must write nothing, only start them again. Wine's kernel emulation maps no physical memory and has no PCI configuration
# space, and port I/O is not emulated, so only what it does is asserted.
# usage: access_libraries.sh WIN32_DIR WIN64_DIR
set -euo pipefail
w32=$1/tessel/win32 w64=$2/tessel/win32
: "${QZ_WINE_ROOT:?}"
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
base="$QZ_WINE_ROOT/prefix32"
mkdir -p "$QZ_WINE_ROOT"
(
  exec 9>"$QZ_WINE_ROOT/.lock32"
  flock 9
  if [ ! -f "$base/.qz-ready" ]; then
    rm -rf "$base"
    WINEPREFIX="$base" timeout 300 wineboot -i </dev/null >"$QZ_WINE_ROOT/wineboot32.log" 2>&1
    WINEPREFIX="$base" timeout 60 wineserver -w </dev/null >/dev/null 2>&1 || true
    touch "$base/.qz-ready"
  fi
)

# Each run starts from a copy of the clean prefix: nothing installed yet.
work=$(mktemp -d "$QZ_WINE_ROOT/access.XXXXXX")
export WINEPREFIX="$work/prefix"
cp -a "$base" "$WINEPREFIX"
cleanup() {
  timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

cp "$1/tests/wine/probes/access_check/access_check.exe" "$work/"
cp "$w32/tessel.dll" "$work/tessel.dll.img"
cp "$w32/tessel.sys" "$work/tessel-x86.sys.img"
cp "$w64/tessel.sys" "$work/tessel-x64.sys.img"
cp "$w32/tesselio.dll" "$work/tesselio.dll.img"
cp "$w32/tesselio.sys" "$work/tesselio-x86.sys.img"
cp "$w64/tesselio.sys" "$work/tesselio-x64.sys.img"
# Services and drivers live as long as the server.
timeout 30 wineserver -p </dev/null >/dev/null 2>&1 || true

run() { # out
  (cd "$work" && timeout 120 wine access_check.exe tessel.dll.img tessel-x86.sys.img \
     tessel-x64.sys.img tesselio.dll.img tesselio-x86.sys.img tesselio-x64.sys.img \
     </dev/null >"$1.raw" 2>"$1.err")
  tr -d '\r' <"$1.raw" >"$1"
}
run "$work/first" || run "$work/first" || { echo "access_check did not run"; cat "$work/first.err"; exit 1; }
cat "$work/first"

fail=0
expect() { # file line
  grep -qx "$2" "$1" || { echo "missing in $(basename "$1"): $2"; fail=1; }
}
sys="$WINEPREFIX/drive_c/windows/system32"
same() { # image installed
  cmp -s "$work/$1" "$sys/$2" || { echo "$2 is not the carried image $1"; fail=1; }
}

expect "$work/first" 'TesselLoaded=1'
expect "$work/first" 'Version=320'
expect "$work/first" 'FreeNoBuffer=1'
expect "$work/first" 'StateAfterFree=0'
expect "$work/first" 'StateAfterFreeText=Operation was successful'
expect "$work/first" 'DeviceOpen=1'
expect "$work/first" 'ShortOutputError=122'
expect "$work/first" 'ShortInputError=122'
expect "$work/first" 'ShortPciOutputError=122'
grep -qE '^UnknownCodeError=(1|87)$' "$work/first" || { echo "an unknown code did not fail"; fail=1; }
expect "$work/first" 'Close=1'
expect "$work/first" 'PeekClosed=0'
expect "$work/first" 'StateClosed=9996'
expect "$work/first" 'StateClosedText=No device handle'
expect "$work/first" 'Reopen=-1'
expect "$work/first" 'StateReopened=0'
expect "$work/first" 'TesselRunning=1'
expect "$work/first" 'PortRunning=1'
expect "$work/first" 'Released=1'
expect "$work/first" 'TesselRunningAfterRelease=0'
# Wine's HAL has no port I/O: the loader's probe ends the port driver's host process, after
# which the service manager can no longer stop that service. Its stop is asserted only when the
# probe worked (as on Windows).
port_checked=0
if grep -qx 'NtPortLoaded=1' "$work/first"; then
  port_checked=1
  expect "$work/first" 'PortRunningAfterRelease=0'
else
  echo "port driver: its host did not survive the probe under Wine; its stop is not asserted"
fi
same tessel.dll.img tessel.dll
same tessel-x86.sys.img drivers/tessel.sys
same tesselio.dll.img tesselio.dll
same tesselio-x86.sys.img drivers/tesselio.sys
# The service manager's own view once the program has ended: stopped, and started only on
# demand, so that not even a restart brings them back.
for service in tessel tesselio; do
  timeout 30 wine sc query $service </dev/null >"$work/sc-$service.raw" 2>/dev/null || true
  echo "$service: $(tr -d '\r' <"$work/sc-$service.raw" | grep -E 'STATE' || true)"
  if [ $service = tessel ] || [ $port_checked = 1 ]; then
    grep -q 'STOPPED' "$work/sc-$service.raw" || { echo "service $service is not stopped"; fail=1; }
  fi
  timeout 30 wine reg query "HKLM\\System\\CurrentControlSet\\Services\\$service" /v Start \
    </dev/null >"$work/start-$service.raw" 2>/dev/null || true
  grep -qi 'REG_DWORD.*0x3' "$work/start-$service.raw" || { echo "service $service is not demand-start"; fail=1; }
done

# Second start: everything current, so nothing is written; the drivers are started again.
stamps() {
  for f in tessel.dll tesselio.dll drivers/tessel.sys drivers/tesselio.sys; do
    stat -c '%n %s %Y.%y' "$sys/$f"
  done
}
stamps >"$work/before"
run "$work/second" || run "$work/second" || { echo "second run did not run"; exit 1; }
stamps >"$work/after"
expect "$work/second" 'TesselLoaded=1'
expect "$work/second" 'TesselRunning=1'
expect "$work/second" 'TesselRunningAfterRelease=0'
cmp -s "$work/before" "$work/after" || { echo "the second run rewrote files:"; diff "$work/before" "$work/after"; fail=1; }

# What Wine cannot do is reported, not asserted: the port probe and physical reads.
grep -E '^(NtPortLoaded|PortState|ReadError)=' "$work/first" || true
[ "$fail" = 0 ] || exit 1
echo "access libraries under Wine: ok"

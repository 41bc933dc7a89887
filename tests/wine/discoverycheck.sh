#!/usr/bin/env bash
# Runs the disk enumeration under Wine and checks its report and both trace files.
# Wine 8's Setup API lists no disk interfaces and its WMI one disk per drive letter
# ("Wine Disk Drive", DeviceID "\\\\.\\PHYSICALDRIVEn" with doubled backslashes, the partition
# keys spelt "DeviceId"), so the enumeration expects disks it never finds and gives up after
# eleven runs. The "Winmgmt" service is not running in a fresh session: the first query
# starts it.
# usage: discoverycheck.sh EXE
set -euo pipefail
exe=$1
source "$(dirname "$0")/wine-env.sh"
work=$(mktemp -d "$QZ_WINE_ROOT/discoverycheck.XXXXXX")
debug="$WINEPREFIX/drive_c/DEBUG.TXT"

try() {
  rm -f "$debug"
  qz_wine "$work/out" "$work/err" 120 "$exe"
}
try || try || { echo "discoverycheck did not run"; cat "$work/err"; exit 1; }
tr -d '\r' <"$work/out" >"$work/report"
cat "$work/report"

fail() { echo "$1"; exit 1; }
expect() { grep -qx "$1" "$work/report" || fail "missing report line: $1"; }
value() { sed -n "s/^$1=//p" "$work/report"; }

expect 'Bound=27/27'
expect 'Enumerate=1'
expected=$(value Expected) count=$(value Count) runs=$(value Runs)
[ "$expected" -ge 1 ] || fail "WMI counted no disks"
if [ "$count" != "$expected" ]; then
  [ "$runs" = 11 ] || fail "$runs runs for $count of $expected disks"
fi

# WMI's own view: every disk record names its physical drive, and every partition's letter
# lands in the logical-disk map.
[ "$(grep -c '^Record [0-9]*=.*PHYSICALDRIVE' "$work/report")" = "$expected" ] || fail "records without a drive"
partitions=$(grep -c '^Partition Dependent=' "$work/report" || true)
letters=$(sed -n 's/^Letters[0-9]*=//p' "$work/report" | tr -d '\n' | wc -c)
[ "$letters" = "$partitions" ] || fail "$partitions partitions but $letters letters in the map"

[ -f "$debug" ] || fail "no C:\\DEBUG.TXT"
# Text-mode lines: every line ends in CR LF.
[ "$(grep -c $'\r$' "$debug")" = "$(wc -l <"$debug")" ] || fail "a line without CR LF"
tr -d '\r' <"$debug" >"$work/debug"
[ "$(sed -n 1p "$work/debug")" = 'Constructor ok ' ] || fail "first line is not the constructor's"
[ "$(sed -n 2p "$work/debug")" = 'Check sysytem support' ] || fail "no support check"
[ "$(sed -n 3p "$work/debug")" = 'Check sysytem support ok' ] || fail "support check failed"
[ "$(tail -n 1 "$work/debug")" = 'Deconstructor ok ' ] || fail "last line is not the destructor's"
[ "$(grep -cx 'call GetDiskRegistryInfo' "$work/debug")" = "$runs" ] || fail "runs and trace differ"

temp=$(value TempTrace)
temp="$WINEPREFIX/drive_c/$(echo "${temp#C:\\}" | tr '\\' '/')"
[ -f "$temp" ] || fail "no temporary trace at $temp"
tr -d '\r' <"$temp" >"$work/temp"
for line in CoInitialize CoCreateInstance ConnectServer CoSetProxyBlanket ExecQuery 'Process enumerator'; do
  grep -qx "$line" "$work/temp" || fail "temporary trace lacks: $line"
done
[ "$(grep -cx 'Enter while loop' "$work/temp")" = "$runs" ] || fail "one interface walk per run"
echo "discoverycheck: ok ($expected disks by WMI, $count by the Setup API, $runs runs)"

#!/usr/bin/env bash
# The rehearsal refuses what it can't run before it runs anything: each case is a command line,
# the exit status and the start of what it says on stderr; a refusal says one line, and nothing
# on stdout.
# usage: demo_refusals.sh DEMO WORK_DIR
set -euo pipefail
demo=$1 work=$2
rm -rf "$work" && mkdir -p "$work"
echo '{"windows": ' >"$work/broken.json"
echo 'not a program' >"$work/not-packed.exe"
failed=0
while IFS='|' read -r args status says; do
  [ -n "$args" ] || continue
  set +e
  # shellcheck disable=SC2086  # one argument a word
  eval "\"$demo\" $args" >"$work/out" 2>"$work/err"
  got=$?
  set -e
  first=$(grep -m1 -v '^$' "$work/err" || true)
  lines=$(grep -c . "$work/err" || true)
  case $says in usage:*) lines=1 ;; esac
  if [ "$got" != "$status" ] || [ "${first#"$says"}" = "$first" ] || [ "$lines" != 1 ] || [ -s "$work/out" ]; then
    echo "FAIL: $args: exit $got (want $status), $lines lines on stderr, the first: $first (want: $says...)"
    failed=1
  fi
done <<CASES
--bogus|2|usage: quenzar-demo
--fault|2|usage: quenzar-demo
--machine win7x64 --machine-file $work/m.json|2|quenzar-demo: --machine and --machine-file exclude each other
--matrix --fault power-loss|2|quenzar-demo: --matrix runs every fault; leave out --fault
--machine nosuch|2|quenzar-demo: --machine nosuch: no such machine; built in: win7x64 xp86
--machine-file $work/none.json|2|quenzar-demo: --machine-file $work/none.json: cannot be read
--machine-file $work/broken.json|2|quenzar-demo: $work/broken.json: 
--machine xp86 --fault nosuch|2|quenzar-demo: --fault nosuch: no such fault; faults: fw-create
--exe $work/not-packed.exe --firmware $work/none.bin|2|quenzar-demo: --firmware $work/none.bin: cannot be read
--exe $work/none.exe|2|quenzar-demo: --exe $work/none.exe: cannot be read
--exe $work/not-packed.exe --machine ide|2|quenzar-demo: $work/not-packed.exe is not a packed updater: 
CASES
exit $failed

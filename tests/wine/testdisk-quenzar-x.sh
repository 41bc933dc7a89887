#!/usr/bin/env bash
# The updater's part of testdisk-quenzar.sh, on its virtual display: start the updater, press
# "Update" for the drive it selected, accept the information box and answer "No" to the
# restart question. The server (and so the test disk) stays up for the caller.
# usage: testdisk-quenzar-x.sh WORK ARTEFACT_DIR
set -euo pipefail
work=$1 artefacts=$2
source "$(dirname "$0")/gui-wait.sh"
caption="Vortan IX Quenzar Utility for Windows(v2.2.0)"
err=$work/quenzar.err
boxes() { grep -c 'MSGBOX_OnInit' "$err" || true; }
shot() { import -display "$DISPLAY" -window root "$artefacts/$1.png" || true; }
fail() { echo "$*"; echo "--- program trace"; tail -20 "$err"; exit 1; }

start() {
  WINEDEBUG=-all,+msgbox timeout 120 wine "$work/Quenzar.exe" </dev/null >"$work/quenzar.out" 2>"$err" &
  pid=$!
  qz_wait_viewable "$caption" "$work/main.info" 600 "$pid"
}
# Wine now and then ends or stalls a fresh GUI program with nothing shown (see WINE-NOTES): a
# start that shows no window within a minute is stopped and tried once more. The server
# stays: it holds the test disk.
if ! start; then
  echo "no window on the first start; trying again"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  start || fail "the main window never appeared"
fi
sleep 2  # let it paint
shot testdisk-quenzar
[ "$(boxes)" = 0 ] || fail "a box appeared at start-up: $(grep -o 'MSGBOX_OnInit.*' "$err")"

qz_client_area "$work/main.info"
xdotool mousemove $((cx + 404)) $((cy + 160)) click 1

for n in 1 2; do
  qz_wait_boxes "$err" "$n" 600 "$pid" || fail "box $n never appeared"
  sleep 0.5
  shot "testdisk-quenzar-box$n"
  if [ "$n" = 1 ]; then xdotool key Return; else xdotool key n; fi
done
# Staged with the restart declined: the installers' 3010, as the shell sees it (modulo 256).
status=0
wait "$pid" || status=$?
[ "$status" = $((3010 % 256)) ] || fail "the updater ended with status $status, not 3010 (staged, restart needed)"
grep -qF 'MSGBOX_OnInit L"The process of SSD FW update will start in next reboot !' "$err" \
  || fail "the update was not staged: $(grep -o 'MSGBOX_OnInit.*' "$err")"
grep -qF 'MSGBOX_OnInit L"Do you want to Reboot now ?' "$err" || fail "no restart question"
echo "the updater staged the update; screenshots $artefacts/testdisk-quenzar*.png"

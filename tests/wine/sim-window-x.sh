#!/usr/bin/env bash
# The part of sim-window.sh that runs inside the virtual display.
# usage: sim-window-x.sh WORK ARTEFACT_DIR
set -euo pipefail
work=$1 artefacts=$2
source "$(dirname "$0")/wine-env.sh"
source "$(dirname "$0")/gui-wait.sh"
trap 'timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
caption="Vortan IX Quenzar Utility for Windows(v2.2.0)"
report=$work/report.txt
err=$work/sim.err

boxes() { grep -c 'MSGBOX_OnInit' "$err" || true; }
shot() { import -display "$DISPLAY" -window root "$artefacts/$1.png"; }
fail() { echo "$*"; echo "--- program trace"; tail -20 "$err"; exit 1; }

# Dark pixels inside the update button (its frame left out): the caption is black when the
# button is enabled and grey when it is disabled. usage: button_ink SCREENSHOT
button_ink() {
  convert "$1" -crop "61x21+$((cx + 374))+$((cy + 150))" -colorspace Gray -threshold 30% -negate \
    -format '%[fx:round(mean*w*h)]' info:
}

start() {
  rm -f "$report"
  QZ_SIM_REPORT=$(winepath -w "$report") WINEDEBUG=-all,+msgbox \
    timeout 120 wine "$work/QuenzarSim.exe" </dev/null >"$work/sim.out" 2>"$err" &
  pid=$!
  qz_wait_viewable "$caption" "$work/main.info" 600 "$pid"
}

# Wine now and then ends or stalls a fresh GUI program with nothing shown (see WINE-NOTES): a
# start that shows no window within a minute is stopped and tried once more.
if ! start; then
  echo "no window on the first start; trying again"
  kill "$pid" 2>/dev/null || true
  timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
  timeout 60 wineserver -w </dev/null >/dev/null 2>&1 || true
  start || fail "the main window never appeared"
fi
sleep 1  # let it paint

qz_client_area "$work/main.info"
arrow_x=$((cx + 430)) arrow_y=$((cy + 112))   # the list's drop-down arrow
button_x=$((cx + 404)) button_y=$((cy + 160)) # "Update"

# 1. As started: the eligible drive selected, its version line, the button enabled.
shot sim-window
[ "$(button_ink "$artefacts/sim-window.png")" -gt 20 ] || fail "the update button is not enabled at start"
[ "$(boxes)" = 0 ] || fail "a box appeared at start-up"

# 2. The list dropped down: both drives with their icons, the selected one on the gradient.
xdotool mousemove "$arrow_x" "$arrow_y" click 1
sleep 1
shot sim-window-list

# 3. The drive of another model: the button is disabled, and pressing it does nothing.
xdotool key Down Return
sleep 1
shot sim-window-ineligible
[ "$(button_ink "$artefacts/sim-window-ineligible.png")" -lt 5 ] \
  || fail "the update button is still enabled for the drive of another model"
xdotool mousemove "$button_x" "$button_y" click 1
sleep 2
[ "$(boxes)" = 0 ] || fail "pressing the disabled button started the update"
kill -0 "$pid" 2>/dev/null || fail "the program ended after pressing the disabled button"

# 4. Back to the eligible drive, then "Update": the information box (OK) and the restart
#    question (Yes, the default button). The restart goes to the simulated machine.
xdotool mousemove "$arrow_x" "$arrow_y" click 1
sleep 1
xdotool key Up Return
sleep 1
[ "$(button_ink "$(shot sim-window-eligible; echo "$artefacts/sim-window-eligible.png")")" -gt 20 ] \
  || fail "the update button stayed disabled after selecting the eligible drive again"
xdotool mousemove "$button_x" "$button_y" click 1
for n in 1 2; do
  qz_wait_boxes "$err" "$n" 200 || fail "box $n never appeared"
  sleep 0.5
  shot "sim-window-box$n"
  xdotool key Return
done
rc=0
wait "$pid" || rc=$?
[ "$rc" = 0 ] || fail "exit status $rc"

grep -F 'MSGBOX_OnInit' "$err" | sed 's/^.*MSGBOX_OnInit /box: /'
expect_box() {
  grep -qF "MSGBOX_OnInit L\"$1\"" "$err" || fail "no box saying: $1"
}
expect_box 'The process of SSD FW update will start in next reboot !\nAfter updating firmware, you should reboot your system to complete the update !\n'
expect_box 'Do you want to Reboot now ?\n'
[ "$(boxes)" = 2 ] || fail "expected exactly two boxes"

[ -f "$report" ] || fail "no report from the program"
cat "$report"
expect() { grep -qxF "$1" "$report" || fail "the report lacks: $1"; }
expect 'update-runs: 1'
expect 'update-end: restart-requested'
expect 'stage-result: 1'
expect 'identity: "VORTANIX QRX-480T9A     "'
expect 'file: C:\WINDOWS\system32\FW.bin 262144'
expect 'file: C:\WINDOWS\SysWOW64\FW.bin 262144'
# The machine is 64-bit: both copies are the x64 flasher build.
expect 'file: C:\WINDOWS\system32\Ombrel.exe 20992'
expect 'file: C:\WINDOWS\SysWOW64\Ombrel.exe 20992'
expect 'file: C:\WINDOWS\SysWOW64\Ferryman.exe 3072'
expect 'boot-execute-before: "autocheck autochk *"'
expect 'boot-execute: "autocheck autochk *" "Ombrel FW.bin"'
expect 'copy-helper-runs: 1 exit 0'
expect 'restart: flags 6'
echo "window over the simulated machine: screenshots in $artefacts/sim-window*.png"

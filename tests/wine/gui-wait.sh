# Sourced by the Wine tests that drive a window on the virtual display: waiting for a window
# or a message box, and where the updater's client area lies. Waits poll every tenth of a
# second and give up early when the program they wait on has ended.

# QZ_WAIT_SCALE stretches every wait where everything runs slower (an emulated VM).
qz_tenths() { echo $(( $1 * ${QZ_WAIT_SCALE:-1} )); }

# usage: qz_alive PID   (an empty PID counts as alive: nothing to watch)
qz_alive() { [ -z "$1" ] || kill -0 "$1" 2>/dev/null; }

# Polls CHECK every tenth of a second until it holds. Gives up after TENTHS, or once PID has
# ended, after one last check: a program may do its last thing on the way out.
# usage: qz_until TENTHS PID CHECK [ARGS...]
qz_until() {
  local tenths=$1 pid=$2
  shift 2
  for _ in $(seq 1 "$(qz_tenths "$tenths")"); do
    "$@" && return 0
    qz_alive "$pid" || { "$@"; return; }
    sleep 0.1
  done
  return 1
}

# Until the window captioned CAPTION is viewable; its xwininfo is left in INFO.
# usage: qz_wait_viewable CAPTION INFO TENTHS [PID]
qz_viewable() { xwininfo -name "$1" >"$2" 2>/dev/null && grep -q IsViewable "$2"; }
qz_wait_viewable() { qz_until "$3" "${4:-}" qz_viewable "$1" "$2"; }

# Until some window captioned CAPTION exists; the window tree is left in TREE.
# usage: qz_wait_caption CAPTION TREE TENTHS [PID]
qz_captioned() { xwininfo -root -tree >"$2" 2>/dev/null; grep -qF "\"$1\"" "$2"; }
qz_wait_caption() { qz_until "$3" "${4:-}" qz_captioned "$1" "$2"; }

# Until the message-box trace in ERR holds at least N boxes.
# usage: qz_wait_boxes ERR N TENTHS [PID]
qz_boxes() { [ "$(grep -c 'MSGBOX_OnInit' "$1" || true)" -ge "$2" ]; }
qz_wait_boxes() { qz_until "$3" "${4:-}" qz_boxes "$1" "$2"; }

# usage: qz_info_field KEY INFO   (one number from an xwininfo)
qz_info_field() { awk -v k="$1" -F: '$1 ~ k {gsub(/ /, "", $2); print $2}' "$2"; }

# The updater's client area (449 x 184) sits inside Wine's own frame: equal borders left,
# right and below, the caption above. Sets cx and cy from the main window's xwininfo.
# usage: qz_client_area INFO
qz_client_area() {
  local x y w h border
  x=$(qz_info_field 'Absolute upper-left X' "$1") y=$(qz_info_field 'Absolute upper-left Y' "$1")
  w=$(qz_info_field 'Width' "$1") h=$(qz_info_field 'Height' "$1")
  border=$(( (w - 449) / 2 ))
  cx=$((x + border)) cy=$((y + h - 184 - border))
  echo "main window ${w}x${h} at $x,$y; client area at $cx,$cy"
}

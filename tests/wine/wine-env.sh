# Sourced by the Wine smoke tests: a private prefix under the build tree, made once and
# reused, with the server held open so services and drivers outlive single programs.
set -euo pipefail
: "${QZ_WINE_ROOT:?}"
export WINEPREFIX="$QZ_WINE_ROOT/prefix64"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$QZ_WINE_ROOT"

# A fresh prefix has no font for the Big5 texts (they show as empty boxes) and may not find
# Wine's Marlett (the caption buttons show letters): both go into the prefix's Fonts folder,
# and the CJK face is linked behind the faces the window and its boxes ask for.
qz_cjk_font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
qz_prefix_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" nt='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
  mkdir -p "$fonts"
  cp "$qz_cjk_font" "$fonts/"
  cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  timeout 60 wine reg add "$nt\Fonts" /v 'Marlett (TrueType)' /d marlett.ttf /f </dev/null
  local face
  for face in Tahoma 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif'; do
    timeout 60 wine reg add "$nt\FontLink\SystemLink" /v "$face" /t REG_MULTI_SZ \
      /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f </dev/null
  done
  timeout 60 wineserver -w </dev/null || true
}
(
  # Tests may run in parallel: one makes the prefix, the others wait for it.
  exec 9>"$QZ_WINE_ROOT/.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.qz-ready" ]; then
    rm -rf "$WINEPREFIX"
    timeout "${QZ_WINEBOOT_SECONDS:-300}" wineboot -i </dev/null >"$QZ_WINE_ROOT/wineboot.log" 2>&1
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
      </dev/null >>"$QZ_WINE_ROOT/wineboot.log" 2>&1
    timeout 60 wineserver -w </dev/null >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.qz-ready"
  fi
  if [ ! -f "$WINEPREFIX/.qz-fonts" ]; then
    qz_prefix_fonts >>"$QZ_WINE_ROOT/wineboot.log" 2>&1
    touch "$WINEPREFIX/.qz-fonts"
  fi
)

# A server still ending after the previous test (which stopped it) would take the next
# program down with it: wait for it to go first.
timeout 60 wineserver -w </dev/null >/dev/null 2>&1 || true

# Runs a Windows program with a time limit; its output goes to files, never a pipe.
# usage: qz_wine OUT ERR SECONDS program args...
qz_wine() {
  local out=$1 err=$2 secs=$3; shift 3
  timeout "$secs" wine "$@" </dev/null >"$out" 2>"$err"
}

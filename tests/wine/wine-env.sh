# Sourced by the Wine smoke tests: a private prefix under the build tree, made once and
# reused, with the server held open so services and drivers outlive single programs.
set -euo pipefail
: "${QZ_WINE_ROOT:?}"
export WINEPREFIX="$QZ_WINE_ROOT/prefix64"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$QZ_WINE_ROOT"
(
  # Tests may run in parallel: one makes the prefix, the others wait for it.
  exec 9>"$QZ_WINE_ROOT/.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.qz-ready" ]; then
    rm -rf "$WINEPREFIX"
    timeout 300 wineboot -i </dev/null >"$QZ_WINE_ROOT/wineboot.log" 2>&1
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
      </dev/null >>"$QZ_WINE_ROOT/wineboot.log" 2>&1
    timeout 60 wineserver -w </dev/null >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.qz-ready"
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

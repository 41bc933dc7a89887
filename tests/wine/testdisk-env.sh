# Sourced by the test disk's Wine tests: a copy of the clean prefix (shared with the other
# Wine tests: same locks and marks) in a new work directory, with the test disk driver
# (tests/wine/testdisk) running as a kernel service, and `ctl` for testdisk_ctl.
# Expects: base, lock, launch (the prefix's own wine), tree (the driver's build directory),
# name (for the work directory).
(
  exec 9>"$lock"
  flock 9
  if [ ! -f "$base/.qz-ready" ]; then
    rm -rf "$base"
    WINEPREFIX="$base" timeout 300 wineboot -i </dev/null >"$QZ_WINE_ROOT/wineboot-$(basename "$base").log" 2>&1
    WINEPREFIX="$base" timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
      </dev/null >>"$QZ_WINE_ROOT/wineboot-$(basename "$base").log" 2>&1
    WINEPREFIX="$base" timeout 60 wineserver -w </dev/null >/dev/null 2>&1 || true
    touch "$base/.qz-ready"
  fi
)

work=$(mktemp -d "$QZ_WINE_ROOT/$name.XXXXXX")
export WINEPREFIX="$work/prefix"
cp -a "$base" "$WINEPREFIX"
cleanup() {
  timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"  # the logs stay in $work
}
trap cleanup EXIT
timeout 30 wineserver -p </dev/null >/dev/null 2>&1 || true

win="$WINEPREFIX/drive_c/windows"

# The driver, loaded by the driver host of the prefix's own bitness.
cp "$tree/qztestdisk.sys" "$win/system32/drivers/qztestdisk.sys"
cp "$tree/testdisk_ctl.exe" "$work/"
timeout 60 "${launch[@]}" sc create qztestdisk type= kernel start= demand \
  binPath= 'C:\windows\system32\drivers\qztestdisk.sys' </dev/null >"$work/sc.out" 2>&1 || true
timeout 60 "${launch[@]}" sc start qztestdisk </dev/null >>"$work/sc.out" 2>&1 || true
grep -q RUNNING "$work/sc.out" || { echo "the test disk driver did not start"; cat "$work/sc.out"; exit 1; }

ctl() {
  (cd "$work" && timeout 60 "${launch[@]}" testdisk_ctl.exe "$@" </dev/null >"$work/ctl.out" 2>&1) \
    || { echo "testdisk_ctl $1 failed"; cat "$work/ctl.out"; exit 1; }
}


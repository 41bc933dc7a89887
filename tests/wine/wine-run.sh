#!/usr/bin/env bash
# Runs one Wine test. Some machines refuse 32-bit programs (a kernel without IA-32
# emulation): Wine's 32-bit loader then cannot start at all, a test of a 32-bit Windows
# program ends as skipped (77) with the reason, and the 64-bit tests run on the 64-bit loader.
# usage: wine-run.sh 32|64 SCRIPT ARGS...
set -euo pipefail
bits=$1; shift
: "${QZ_WINE_ROOT:?}"
loader32=/usr/lib/wine/wine loader64=/usr/lib/wine/wine64
if ! "$loader32" --version >/dev/null 2>&1; then
  if [ "$bits" = 32 ]; then
    echo "SKIPPED: this machine cannot start 32-bit programs ($loader32 does not run), so no"
    echo "32-bit Windows program runs under Wine here"
    exit 77
  fi
  # The wrappers (wine, wineboot, reg ...) reach the loader through these names.
  shims="$QZ_WINE_ROOT/loader64"
  mkdir -p "$shims"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec %s "$@"\n' "$loader64" >"$shims/$name"
    chmod +x "$shims/$name"
  done
  export PATH="$shims:$PATH"
fi
exec "$@"

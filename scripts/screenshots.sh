#!/usr/bin/env bash
# Remakes the README's screenshots (docs/) from what the Wine tests photograph: the window as
# the whole update on the test disk shows it, and the second language's box held open. Runs
# those tests first, through the VM where this machine cannot start 32-bit programs.
# usage: scripts/screenshots.sh   (after ./dev.sh build)
set -euo pipefail
cd "$(dirname "$0")/.."
tests='^wine\.(quenzar|testdisk_quenzar_win10)$'
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  (cd build/host && ctest -R "$tests" --output-on-failure)
else
  scripts/wine32-vm.sh "$tests"
fi
shots=build/host/artefacts
mkdir -p docs
# The virtual display is black around the windows: trimming leaves the window itself.
convert "$shots/win10/testdisk-quenzar.png" -trim +repage docs/window-en.png
convert "$shots/no-matched-drives-zh-box.png" -trim +repage docs/box-zh.png
ls -l docs/*.png

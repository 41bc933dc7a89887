#!/usr/bin/env bash
# The updater's real window under Wine, over the simulated default machine (Windows 7 x64 with
# the eligible drive at VRD5, a drive of another model and a USB disk): the build that differs
# from Quenzar.exe only in its drive-facing platform, packed with the sample release but
# listing ineligible drives too. The user's part is played with the mouse and keyboard through
# the X server; what the program staged is read from the report it writes when it ends.
# usage: sim-window.sh PACKER SIM_EXE SAMPLE_RELEASE_JSON ARTEFACT_DIR
set -euo pipefail
packer=$1 unpacked=$2 release=$3 artefacts=$4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
work=$(mktemp -d "$QZ_WINE_ROOT/sim-window.XXXXXX")
mkdir -p "$artefacts"
for f in "$unpacked" "$release"; do [ -f "$f" ] || { echo "missing $f"; exit 1; }; done

# The sample release with ListEligibleOnly (digit 12) cleared.
grep -q '"options": "0000000001011000000010000002000"' "$release" \
  || { echo "the sample release's options changed; update this test"; exit 1; }
sed 's/"options": "0000000001011000000010000002000"/"options": "0000000001001000000010000002000"/' \
  "$release" >"$work/release.json"
"$packer" "$unpacked" "$work/release.json" "$work/QuenzarSim.exe"

xvfb-run -a -s '-screen 0 1024x768x24' "$here/sim-window-x.sh" "$work" "$artefacts"
echo "sim_window: ok"

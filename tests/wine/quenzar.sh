#!/usr/bin/env bash
# Runs the packed Quenzar.exe under Wine on a virtual X display.
#  1. A package whose start-up boxes close by themselves after 1 second: Wine shows no disk to
#     the drive manager, so the start-up ends at "No matched drives detected !" ("Error"),
#     and the program must end without anyone pressing a key. The box's text is read from
#     Wine's message-box trace and its caption from the X window list; a screenshot of it is
#     kept under the build tree.
#     With "/debug" the same box stays open.
#  2. The same in the second language: the Big5 texts must arrive as the right characters.
#  3. An unknown argument ends the program at once, without any box.
# The English package runs signed with Authenticode (a throwaway CA).
# usage: quenzar.sh PACKER UNPACKED_EXE PACKED_EXE SAMPLE_FW ARTEFACT_DIR
set -euo pipefail
packer=$1 unpacked=$2 packed=$3 samplefw=$4 artefacts=$5
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
work=$(mktemp -d "$QZ_WINE_ROOT/quenzar.XXXXXX")
mkdir -p "$artefacts"

for f in "$unpacked" "$packed" "$samplefw"; do
  [ -f "$f" ] || { echo "missing $f"; exit 1; }
done

# Shipped options with AutoCloseMessages (digit 25) on and AutoCloseSeconds (digit 28) 1;
# the second package also sets Language (digit 1).
release() { # language-digit
  cat <<JSON
{
  "product_version": "v2.2.0",
  "product_title": "Vortan IX Quenzar Utility for Windows",
  "release_date": "2012/07/25",
  "supported_model": "VORTANIX QRX-480T9A",
  "options": "${1}000000001011000000010001001000",
  "packages": [ { "image": "$samplefw", "new_fw": "VRDC", "fw_ext": "VRDC-4",
    "models": [ { "min": "VRD!", "max": "VRD~", "model": "VORTANIX QRX-480T9A     " } ] } ]
}
JSON
}
release 0 >"$work/english.json"
release 1 >"$work/chinese.json"
# The English one is signed (a throwaway CA): a signed updater must start as the unsigned one.
"$here/../tools/make-test-cert.sh" "$work/cert" >/dev/null
"$packer" "$unpacked" "$work/english.json" "$work/Quenzar-en.exe" --sign "$work/cert/signer.pfx" \
  --password-file "$work/cert/password.txt" >/dev/null
osslsigncode verify -CAfile "$work/cert/ca.pem" -in "$work/Quenzar-en.exe" >"$work/verify.txt" 2>&1 \
  || { cat "$work/verify.txt"; echo "the signed Quenzar-en.exe does not verify"; exit 1; }
"$packer" "$unpacked" "$work/chinese.json" "$work/Quenzar-zh.exe"

xvfb-run -a -s '-screen 0 1024x768x24' "$here/quenzar-x.sh" "$work" "$packed" "$artefacts"
echo "quenzar: ok"

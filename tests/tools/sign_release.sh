#!/usr/bin/env bash
# A signed release: with a throwaway CA, the packer signs the copy helpers before it places
# them and the packed Quenzar.exe last; osslsigncode accepts both against that CA (SHA-256).
# An input that was already signed loses that signature, and the packer says so.
# With the sample release and the demo, the signed sample release must still rehearse.
# usage: sign_release.sh PACKER UNPACKED_EXE SAMPLE_FW FERRYMAN_DIR WORK_DIR [SAMPLE_RELEASE DEMO]
set -euo pipefail
packer=$1 unpacked=$2 samplefw=$3 ferry=$4 work=$5 sample=${6:-} demo=${7:-}
here=$(cd "$(dirname "$0")" && pwd)
fail() { # why [file to show first]
  [ -z "${2:-}" ] || tail -20 "$2"
  echo "FAIL: $1"; exit 1
}
for f in "$unpacked" "$samplefw" "$ferry/win7/Ferryman.exe"; do [ -f "$f" ] || fail "missing $f"; done
rm -rf "$work" && mkdir -p "$work"
"$here/make-test-cert.sh" "$work/cert"
cert=$work/cert

cat >"$work/release.json" <<JSON
{
  "product_version": "v2.2.0", "product_title": "Vortan IX Quenzar Utility for Windows",
  "release_date": "2012/07/25", "supported_model": "VORTANIX QRX-480T9A",
  "options": "0000000001011000000010000002000",
  "packages": [ { "image": "$samplefw", "new_fw": "VRDC", "fw_ext": "VRDC-4",
    "models": [ { "min": "VRD!", "max": "VRD~", "model": "VORTANIX QRX-480T9A" } ] } ],
  "copy_helpers": { "win7": "$ferry/win7/Ferryman.exe", "2003": "$ferry/2k3/Ferryman.exe",
    "2008": "$ferry/2k8/Ferryman.exe", "xp": "$ferry/xp/Ferryman.exe" }
}
JSON

verify() { # file what
  osslsigncode verify -CAfile "$cert/ca.pem" -in "$1" >"$work/verify.txt" 2>&1 ||
    fail "$2 does not verify" "$work/verify.txt"
  grep -qi 'sha256' "$work/verify.txt" || fail "$2 not SHA-256" "$work/verify.txt"
}

# The copy helper of slot c as the packed block holds it: the block begins where its
# "AES_BUF_HERE" marker lies less the marker's offset (1,581,260); copy slots follow at
# 4,202,956, 12,288 bytes each, their lengths in the size records.
extract_helper() { # packed slot key out
  local at base size
  at=$(grep -obUa 'AES_BUF_HERE' "$1" | cut -d: -f1)
  base=$((at - 1581260))
  at=$(grep -obUa "$3" "$1" | cut -d: -f1)
  size=$(dd if="$1" bs=1 skip=$((at + ${#3})) count=10 status=none)
  dd if="$1" of="$4" bs=1 skip=$((base + 4202956 + 12288 * ($2 - 1))) count=$((10#$size)) status=none
}

# 1. Signed with a password, from an unsigned input.
"$packer" "$unpacked" "$work/release.json" "$work/Quenzar.exe" --sign "$cert/signer.pfx" \
  --password-file "$cert/password.txt"
verify "$work/Quenzar.exe" "the packed Quenzar.exe"
slot=1
for key in FERRYMAN_SIZE= FERRY2K3_SIZE= FERRY2K8_SIZE= FERRYIXP_SIZE=; do
  extract_helper "$work/Quenzar.exe" $slot $key "$work/helper$slot.exe"
  verify "$work/helper$slot.exe" "copy helper $slot"
  slot=$((slot + 1))
done

# 2. An input that carries a signature: packed and signed anew, the old one is named gone.
osslsigncode sign -pkcs12 "$cert/signer.pfx" -readpass "$cert/password.txt" -h sha256 \
  -in "$unpacked" -out "$work/signed-input.exe" >/dev/null
"$packer" "$work/signed-input.exe" "$work/release.json" "$work/Quenzar-resigned.exe" \
  --sign "$cert/signer.pfx" --password-file "$cert/password.txt" 2>"$work/resign.txt"
grep -q "was signed; packing changes it" "$work/resign.txt" || fail "no word of the old signature" "$work/resign.txt"
verify "$work/Quenzar-resigned.exe" "the re-signed Quenzar.exe"

# 3. The same input packed without --sign carries no signature at all, not a broken one.
"$packer" "$work/signed-input.exe" "$work/release.json" "$work/Quenzar-plain.exe" 2>"$work/plain.txt"
grep -q "carries no signature" "$work/plain.txt" || fail "no word of the dropped signature" "$work/plain.txt"
! osslsigncode verify -CAfile "$cert/ca.pem" -in "$work/Quenzar-plain.exe" >/dev/null 2>&1 ||
  fail "the unsigned pack verifies"
# Dropping the table gives back the unsigned program packed, but for the header checksum the
# signer wrote (bytes 217-220) and the zero padding it put before the table.
"$packer" "$unpacked" "$work/release.json" "$work/Quenzar-unsigned.exe"
size=$(stat -c %s "$work/Quenzar-unsigned.exe")
if ! { cmp -l <(head -c "$size" "$work/Quenzar-plain.exe") "$work/Quenzar-unsigned.exe" || true; } |
     awk '$1 < 217 || $1 > 220 { bad = 1 } END { exit bad }' ||
   [ "$(tail -c +$((size + 1)) "$work/Quenzar-plain.exe" | tr -d '\0' | wc -c)" != 0 ] ||
   [ $(($(stat -c %s "$work/Quenzar-plain.exe") - size)) -gt 7 ]; then
  fail "dropping the signature left other bytes"
fi

# 4. A wrong password signs nothing and leaves no output.
printf 'wrong\n' >"$work/wrong.txt"
! "$packer" "$unpacked" "$work/release.json" "$work/Quenzar-wrong.exe" --sign "$cert/signer.pfx" \
  --password-file "$work/wrong.txt" 2>/dev/null || fail "signed with a wrong password"
[ ! -e "$work/Quenzar-wrong.exe" ] || fail "a wrong password left an output"
# 5. The signed sample release rehearses: the certificate table after the program's end leaves
#    the package block as it was.
if [ -n "$demo" ]; then
  "$packer" "$unpacked" "$sample" "$work/Quenzar-sample.exe" --sign "$cert/signer.pfx" \
    --password-file "$cert/password.txt" >/dev/null
  verify "$work/Quenzar-sample.exe" "the signed sample release"
  "$demo" --exe "$work/Quenzar-sample.exe" >"$work/rehearsal.txt" 2>&1 ||
    fail "the signed sample release does not rehearse" "$work/rehearsal.txt"
  grep -q '^PASS' "$work/rehearsal.txt" || fail "no PASS" "$work/rehearsal.txt"
fi
echo "sign_release: ok"

#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, only when something is missing.
set -euo pipefail

pkgs=(build-essential cmake ninja-build pkg-config git
      clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev libssl-dev nlohmann-json3-dev zlib1g-dev libz-mingw-w64-dev
      mingw-w64 wine wine64 wine32:i386 xvfb imagemagick x11-utils xdotool openssl osslsigncode fonts-wqy-microhei)

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"

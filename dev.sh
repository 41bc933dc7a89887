#!/usr/bin/env bash
# One entry point for newcomers and CI:
#   ./dev.sh demo   build what the demo needs, then rehearse the sample release
#   ./dev.sh test   build everything, then run every test
#   ./dev.sh build  build everything only
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh

configure() { # dir, extra args...
  # Always re-run: a subsystem folder that appeared since the last run must join the tree.
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
}

configure_main() {
  # The Windows trees come first: the host tree packs and smoke-tests their binaries. The
  # 64-bit tree builds before the 32-bit one, whose Quenzar.exe carries the x64 drivers.
  configure build/win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release
  configure build/win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DQZ_WIN64_DIR="$root/build/win64"
  configure build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQZ_WIN32_DIR="$root/build/win32" -DQZ_WIN64_DIR="$root/build/win64"
}

build_all() {
  configure_main
  configure build/host-san -DCMAKE_BUILD_TYPE=Debug -DQZ_SANITIZE=ON
  # The libFuzzer targets need clang: a tree of their own that builds nothing else.
  configure build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DQZ_FUZZ=ON
  for t in win64 win32 host host-san; do
    echo "== building $t"
    cmake --build "build/$t" -j "$jobs"
  done
  if [ "${1:-}" != nofuzz ]; then
    echo "== building fuzz"
    cmake --build build/fuzz -j "$jobs" --target qz_fuzzers
  fi
}

# What a packed release carries from a Windows tree: the updater, the flasher and copy-helper
# builds, the register-access libraries and their drivers.
release_targets() { # tree
  ninja -C "build/$1" -t targets all |
    grep -oE '^(Quenzar|ombrel_[A-Za-z0-9_]+|ferryman-[A-Za-z0-9]+|tessel_dll|tessel_sys|tesselio_dll|tesselio_sys):' |
    tr -d ':' | sort -u
}

# Only what the packed sample release and the demo need: no tests, no check programs, no
# sanitizer tree.
build_demo() {
  configure_main
  for t in win64 win32; do
    echo "== building the release's part of $t"
    local targets
    targets=$(release_targets "$t")
    # shellcheck disable=SC2086  # one target a word
    cmake --build "build/$t" -j "$jobs" ${targets:+--target $targets}
  done
  echo "== building the demo"
  cmake --build build/host -j "$jobs" --target quenzar-demo
}

case "${1:-}" in
  build) build_all ;;
  demo)
    build_demo
    status=0
    build/host/tools/demo/quenzar-demo || status=$?
    echo
    echo "== the sample release on every built-in machine, with no fault and with each fault"
    build/host/tools/demo/quenzar-demo --matrix || status=$?
    exit "$status"
    ;;
  test)
    build_all
    echo "== host tests with AddressSanitizer and UndefinedBehaviorSanitizer"
    (cd build/host-san && ctest --output-on-failure -j "$jobs" -LE wine)
    echo "== host tests and Windows binaries under Wine"
    (cd build/host && ctest --output-on-failure -j "$jobs")
    echo "== fuzz targets, a short run of each over its seeds"
    (cd build/fuzz && ctest --output-on-failure -j "$jobs" -L fuzz)
    ;;
  *)
    echo "usage: $0 demo|test|build" >&2
    exit 2
    ;;
esac

#!/usr/bin/env bash
# Runs every fuzz target (or those named) longer than the test command does, one after the
# other, keeping what each finds in build/fuzz/tests/fuzz/work/NAME/corpus across runs:
#   scripts/fuzz-long.sh [-t SECONDS] [NAME...]      (default 300 seconds each)
# Ends non-zero when a target crashed; its input is kept as work/NAME/crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=300
if [ "${1:-}" = "-t" ]; then seconds=$2; shift 2; fi

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DQZ_FUZZ=ON >/dev/null
cmake --build build/fuzz -j "$(nproc 2>/dev/null || echo 2)" --target qz_fuzzers

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in build/fuzz/tests/fuzz/fuzz_*.options; do
    f=${f##*/fuzz_}
    names+=("${f%.options}")
  done
fi
failed=0
for name in "${names[@]}"; do
  options=$(cat "build/fuzz/tests/fuzz/fuzz_$name.options")  # as under CTest (-max_len, say)
  log=build/fuzz/tests/fuzz/work/$name.log
  mkdir -p build/fuzz/tests/fuzz/work
  echo "== $name ($seconds s)"
  if tests/fuzz/run-fuzzer.sh "build/fuzz/tests/fuzz/fuzz_$name" "tests/fuzz/seeds/$name" \
       "build/fuzz/tests/fuzz/work/$name" "$seconds" $options >"$log" 2>&1; then
    grep -E "stat::number_of_executed_units|cov: .* corp:" "$log" | tail -2
  else
    failed=1
    echo "   CRASHED: see $log"
    grep -E "^==[0-9]+==ERROR|^SUMMARY|runtime error" "$log" | head -5 || true
  fi
done
exit $failed

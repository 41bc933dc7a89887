#!/usr/bin/env bash
# One run of a fuzz target over its seeds:
#   run-fuzzer.sh TARGET SEEDS WORK SECONDS [libFuzzer options...]
# Inputs it finds go to WORK/corpus, never into the seeds; a crashing input is kept as
# WORK/crash-* (run TARGET on that file to reproduce it).
set -euo pipefail
target=$1 seeds=$2 work=$3 seconds=$4
shift 4
mkdir -p "$work/corpus"
exec "$target" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
  -artifact_prefix="$work/" "$@" "$work/corpus" "$seeds"

#!/usr/bin/env bash
# The shipped updater carries none of the simulated machine: no symbol of its namespace, no
# type name and none of the made-up disks' texts. The build of the window over the simulated
# machine is checked the same way first, so that a probe that finds nothing fails.
# usage: no-simulation.sh NM SIM_EXE SHIPPED_EXE...
set -euo pipefail
nm=$1 sim=$2; shift 2
probes=("qz3sim" "HALDEN HD2T-7200" "SANDISK CRUZER BLADE")

hits() { # exe -> number of probes found
  local exe=$1 n=0
  local symbols
  symbols=$("$nm" -C "$exe" 2>/dev/null || true)
  grep -qF 'qz::sim::' <<<"$symbols" && n=$((n + 1))
  for p in "${probes[@]}"; do grep -qaF "$p" "$exe" && n=$((n + 1)); done
  echo "$n"
}

[ "$(hits "$sim")" = 4 ] || { echo "$sim: the probes do not find the simulated machine ($(hits "$sim") of 4)"; exit 1; }
for exe in "$@"; do
  [ -f "$exe" ] || { echo "missing $exe"; exit 1; }
  n=$(hits "$exe")
  [ "$n" = 0 ] || { echo "$exe carries the simulated machine ($n probes found)"; exit 1; }
  "$nm" "$exe" >/dev/null 2>&1 || { echo "$exe: no symbol table to look in"; exit 1; }
  echo "$exe: no simulated machine"
done

#!/usr/bin/env bash
# Lists the product's functions longer than a threshold (default 80 lines), through
# clang-tidy's function-size check over the host tree's compile commands. Functions in the
# folders' headers count too (the flasher is a template); each is listed once.
# Usage: scripts/function-lengths.sh [LINES] [FOLDER...]
set -euo pipefail
cd "$(dirname "$0")/.."
limit=${1:-80}; shift || true
folders=("$@")
[ ${#folders[@]} -gt 0 ] || folders=(platform transport discovery tessel bootflash staging updater tools)
db=build/host
[ -f "$db/compile_commands.json" ] || { echo "build the host tree first (./dev.sh build)" >&2; exit 2; }
config="{CheckOptions: [{key: readability-function-size.LineThreshold, value: $limit}]}"
headers="$PWD/($(IFS='|'; echo "${folders[*]}"))/.*"
found=0
report=$(while IFS= read -r src; do
  out=$(clang-tidy -p "$db" --quiet --checks='-*,readability-function-size' --config="$config" \
        --header-filter="$headers" "$src" 2>/dev/null | grep -E 'exceeds recommended size|note: [0-9]+ lines' || true)
  [ -n "$out" ] || continue
  # "file:line:col: warning: function 'Name' exceeds ..." then "note: N lines including ..."
  echo "$out" | awk '/warning:/ { split($1, p, ":"); match($0, /function .[^ ]+. /);
                                   name = substr($0, RSTART + 10, RLENGTH - 12); loc = p[1] ":" p[2] }
                     /note:/ { for (i = 1; i <= NF; i++) if ($i == "lines") { print loc, name, $(i-1); break } }' |
    sed "s#^$PWD/##"
done < <(git ls-files "${folders[@]}" | grep '\.cpp$'))
report=$(echo "$report" | grep . | sort -u || true)
[ -n "$report" ] && echo "$report" && found=1
[ $found = 0 ] && echo "no function over $limit lines"
exit 0

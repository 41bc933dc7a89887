#!/usr/bin/env bash
# Checks a built Windows binary from the outside with binutils' PE dump: machine, subsystem,
# OS/subsystem version, size limit, the exact set of imported DLLs or the DLLs it may import.
# usage: pe-check.sh FILE [--machine i386|x86-64] [--subsystem N] [--version MAJ.MIN]
#                         [--max-size BYTES] [--imports "a.dll b.dll"]
#                         [--imports-within "a.dll b.dll"]
set -euo pipefail
file=$1; shift
[ -f "$file" ] || { echo "missing: $file"; exit 1; }
dump=$(x86_64-w64-mingw32-objdump -p "$file")
fail() { echo "$file: $*"; exit 1; }
while [ $# -gt 0 ]; do
  case $1 in
    --machine)
      fmt=$(x86_64-w64-mingw32-objdump -f "$file" | sed -n 's/.*file format //p')
      case $2 in
        i386) [ "$fmt" = pei-i386 ] || fail "format $fmt, want pei-i386" ;;
        x86-64) [ "$fmt" = pei-x86-64 ] || fail "format $fmt, want pei-x86-64" ;;
      esac ;;
    --subsystem)
      sub=$(awk '$1=="Subsystem" {print $2+0}' <<<"$dump")
      [ "$sub" = "$2" ] || fail "subsystem $sub, want $2" ;;
    --version)
      want_major=${2%.*} want_minor=${2#*.}
      for f in MajorOSystemVersion MajorSubsystemVersion; do
        v=$(awk -v k=$f '$1==k {print $2}' <<<"$dump"); [ "$v" = "$want_major" ] || fail "$f $v, want $want_major"
      done
      for f in MinorOSystemVersion MinorSubsystemVersion; do
        v=$(awk -v k=$f '$1==k {print $2}' <<<"$dump"); [ "$v" = "$want_minor" ] || fail "$f $v, want $want_minor"
      done ;;
    --max-size)
      size=$(stat -c %s "$file")
      [ "$size" -le "$2" ] || fail "size $size over $2"
      echo "$(basename "$file"): $size bytes" ;;
    --imports)
      got=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u | xargs)
      want=$(tr ' ' '\n' <<<"$2" | tr 'A-Z' 'a-z' | sort -u | xargs)
      [ "$got" = "$want" ] || fail "imports '$got', want '$want'" ;;
    --imports-within)
      allowed=" $(tr 'A-Z' 'a-z' <<<"$2") "
      for dll in $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z'); do
        [[ $allowed == *" $dll "* ]] || fail "imports $dll, allowed only:$allowed"
      done ;;
    *) fail "unknown option $1" ;;
  esac
  shift 2
done
echo "ok: $file"

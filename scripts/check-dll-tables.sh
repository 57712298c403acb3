#!/usr/bin/env bash
# Checks a built DLL's tables: it exports exactly the given names and
# imports only DLLs that every Windows has.
# Usage: check-dll-tables.sh OBJDUMP DLL NAME...
set -euo pipefail
objdump=$1 dll=$2
shift 2
dump=$("$objdump" -p "$dll")

expected=$(printf '%s\n' "$@" | sort)
actual=$(printf '%s\n' "$dump" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\] //p' | sort)
status=0
if [ "$expected" != "$actual" ]; then
  echo "exports of $(basename "$dll") differ from the expected names:"
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") || true
  status=1
fi

imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p')
for name in $imports; do
  case ${name,,} in
  kernel32.dll | user32.dll | advapi32.dll | msvcrt.dll) ;;
  *)
    echo "imports a non-system DLL: $name"
    status=1
    ;;
  esac
done
[ -n "$imports" ] || { echo "no imports found"; status=1; }
[ $status -eq 0 ] && echo "$# exports, imports: $(echo $imports)"
exit $status

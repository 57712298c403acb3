#!/usr/bin/env bash
# Checks that USBCTRL.dll exports exactly the seventeen CUSBCTRL names of
# the library contract and imports only DLLs that every Windows has.
# Usage: check_exports.sh OBJDUMP USBCTRL.dll usbctrl_contract.h
set -euo pipefail
objdump=$1 dll=$2 header=$3
dump=$("$objdump" -p "$dll")

expected=$(sed -n '/kExportNames\[/,/};/p' "$header" | grep -o '"[^"]*"' |
  tr -d '"' | sort)
actual=$(printf '%s\n' "$dump" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\] //p' | sort)
status=0
if [ "$(printf '%s\n' "$expected" | wc -l)" -ne 17 ]; then
  echo "expected 17 names in $header"
  status=1
fi
if [ "$expected" != "$actual" ]; then
  echo "exports differ from the contract:"
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
[ $status -eq 0 ] && echo "17 exports, imports: $(echo $imports)"
exit $status

#!/usr/bin/env bash
# Checks that USBCTRL.dll exports exactly the seventeen CUSBCTRL names of
# the library contract and imports only DLLs that every Windows has.
# Usage: check_exports.sh OBJDUMP USBCTRL.dll usbctrl_contract.h
set -euo pipefail
export LC_ALL=C # tool output is read in English
objdump=$1 dll=$2 header=$3
mapfile -t names < <(sed -n '/kExportNames\[/,/};/p' "$header" |
  grep -o '"[^"]*"' | tr -d '"')
if [ ${#names[@]} -ne 17 ]; then
  echo "expected 17 names in $header, found ${#names[@]}"
  exit 1
fi
exec bash "$(dirname "$0")/../../../scripts/check-dll-tables.sh" "$objdump" "$dll" "${names[@]}"

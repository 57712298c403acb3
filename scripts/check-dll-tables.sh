#!/usr/bin/env bash
# Checks a built DLL's tables: it exports exactly the given names and
# imports only DLLs that every Windows has. With --allow FILE, every
# imported function must be listed there for its DLL ("DLL Function" lines):
# that list holds only functions Windows XP SP3 has, so a new import fails
# here until it is added to the list on purpose.
# Usage: check-dll-tables.sh [--allow FILE] OBJDUMP DLL NAME...
set -euo pipefail
# objdump's headings are translated under other locales.
export LC_ALL=C
allow=
if [ "${1:-}" = --allow ]; then
  allow=$2
  shift 2
fi
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

if [ -n "$allow" ]; then
  # "DLL Function" for every imported function, DLL names upper-cased.
  functions=$(printf '%s\n' "$dump" | awk '
    /^[[:space:]]*DLL Name: / { dll = toupper($3); next }
    /^[[:space:]]*$/ { dll = ""; next }
    dll != "" && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ && NF >= 3 {
      print dll " " $3 }' | sort -u)
  allowed=$(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$allow" |
    awk '{ print toupper($1) " " $2 }' | sort -u)
  [ -n "$functions" ] || { echo "no imported functions found"; status=1; }
  while read -r lib fn; do
    [ -n "$fn" ] || continue
    case $fn in
    DosDateTimeToFileTime)
      echo "imports $fn from $lib: a call meant for the plug-in's own" \
        "local-to-UTC conversion reached the Windows API"
      ;;
    GetTickCount64)
      echo "imports $fn from $lib: Windows XP lacks it (posix-threads runtime?)"
      ;;
    *) echo "imports $fn from $lib, which is not in $(basename "$allow")" ;;
    esac
    status=1
  done < <(comm -23 <(printf '%s\n' "$functions") <(printf '%s\n' "$allowed"))
fi
if [ $status -eq 0 ]; then
  echo "$# exports, imports: $(echo $imports)"
  [ -z "$allow" ] || echo "$(printf '%s\n' "$functions" | wc -l) imported" \
    "functions, all on the allow-list"
fi
exit $status

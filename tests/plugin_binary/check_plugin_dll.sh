#!/usr/bin/env bash
# Checks DAVUman.dll as the host will load it: the eleven entry points
# exported under their undecorated names, nothing else exported, and only
# DLLs that every Windows has imported.
# Usage: check_plugin_dll.sh OBJDUMP DAVUman.dll
set -euo pipefail
objdump=$1 dll=$2
dump=$("$objdump" -p "$dll")

expected=$(printf '%s\n' SetStartupInfo GetPluginInfo OpenPlugin \
  GetOpenPluginInfo GetFindData FreeFindData GetFiles PutFiles DeleteFiles \
  ProcessKey Configure | sort)
actual=$(printf '%s\n' "$dump" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\] //p' | sort)
status=0
if [ "$expected" != "$actual" ]; then
  echo "exports differ from the host's entry points:"
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
[ $status -eq 0 ] && echo "11 exports, imports: $(echo $imports)"
exit $status

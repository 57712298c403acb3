#!/usr/bin/env bash
# Fails when a product file includes a file of a folder above its own. One
# folder is one layer; lowest first (see ARCHITECTURE.md):
#   host/        the host's interface, its table, constants
#   device/      the library contract and the link to it
#   progress/    the progress thread and box
#   services/    catalogue ids, notices, settings, the plug-in's context
#   operations/  what the user's commands do
#   plugin/      entry points: exports, entry, keys, dialogs, panel text
# A file may include files of its own folder and of folders below it.
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)
cd "$root"

layers=(host device progress services operations plugin)

# The layer of a path: the index of its folder, -1 outside the product.
layer() {
  local folder=${1%%/*} i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$folder" ] && { echo "$i"; return; }
  done
  echo -1
}

status=0
checked=0
for folder in "${layers[@]}"; do
  for file in "$folder"/*; do
    case "$file" in *.h | *.cpp) ;; *) continue ;; esac
    own=$(layer "$file")
    while IFS= read -r included; do
      [ -f "$included" ] || continue
      theirs=$(layer "$included")
      if [ "$theirs" -gt "$own" ]; then
        echo "$file ($folder/) includes $included (${included%%/*}/, a layer above)"
        status=1
      fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
    checked=$((checked + 1))
  done
done
[ "$checked" -gt 0 ] || { echo "no product files under $root" >&2; exit 1; }
[ $status -eq 0 ] && echo "layers: $checked files in ${#layers[@]} folders include downwards only"
exit $status

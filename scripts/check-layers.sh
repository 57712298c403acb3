#!/usr/bin/env bash
# Fails when a product file includes a file of a layer above its own. The
# layers, lowest first (see ARCHITECTURE.md):
#   0 host/                    the host's interface, its table, constants
#   1 device/                  the library contract and the link to it
#   2 progress/                the progress thread and box
#   3 plugin/ services         catalogue ids, notices, settings, state
#   4 operations/              what the user's commands do
#   5 plugin/ entry points     exports, entry, keys, dialogs, panel text
# A file may include files of its own layer and of layers below it.
set -euo pipefail
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)
cd "$root"

plugin_services=" messages notices plugin_state settings "

layer() {
  local path=$1 base
  case "$path" in
  host/*) echo 0 ;;
  device/*) echo 1 ;;
  progress/*) echo 2 ;;
  operations/*) echo 4 ;;
  plugin/*)
    base=${path#plugin/}
    base=${base%.*}
    if [[ "$plugin_services" == *" $base "* ]]; then echo 3; else echo 5; fi
    ;;
  *) echo -1 ;;
  esac
}

status=0
checked=0
for file in host/* device/* progress/* plugin/* operations/*; do
  case "$file" in *.h | *.cpp) ;; *) continue ;; esac
  own=$(layer "$file")
  while IFS= read -r included; do
    [ -f "$included" ] || continue
    theirs=$(layer "$included")
    if [ "$theirs" -gt "$own" ]; then
      echo "$file (layer $own) includes $included (layer $theirs)"
      status=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  checked=$((checked + 1))
done
[ "$checked" -gt 0 ] || { echo "no product files under $root" >&2; exit 1; }
[ $status -eq 0 ] && echo "layers: $checked files include downwards only"
exit $status

# Sourced by demo.sh and try.sh after they set `root`: builds, then defines
# `build`, `prefix`, `run` (a Windows program under Wine) and `winpath`.
build=${BUILD_DIR:-$root/build/mingw}
BUILD_DIR=$build "$root/scripts/build.sh"
prefix=$build/wineprefix
run() { "$root/scripts/wine-run.sh" "$prefix" "$@"; }
# Wine reaches the Unix file system through drive Z:.
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

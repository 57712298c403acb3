# Sourced by demo.sh and try.sh after they set `root`: builds, then defines
# `build`, `prefix`, `run` (a Windows program under Wine), `winpath` and
# `new_sandbox`.
build=${BUILD_DIR:-$root/build/mingw}
BUILD_DIR=$build "$root/scripts/build.sh"
prefix=$build/wineprefix
run() { "$root/scripts/wine-run.sh" "$prefix" "$@"; }
# Wine reaches the Unix file system through drive Z:.
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
# A fresh folder with the plug-in as FAR would have it (plugin/, with the
# simulated library beside the DLL) and an empty player/ folder.
new_sandbox() {
  rm -rf "$1"
  mkdir -p "$1/plugin" "$1/player"
  cp "$build"/plugin/DAVUman/* "$1/plugin/"
  cp "$build/bin/USBCTRL.dll" "$1/plugin/"
}

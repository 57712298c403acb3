# Sourced by demo.sh and try.sh after they set `root`: builds (or, on a
# kernel that cannot start 32-bit programs, re-runs the calling script in a
# small virtual machine, which is slow: a software CPU), then defines
# `build`, `prefix`, `run` (a Windows program under Wine) and `winpath`.
build=${BUILD_DIR:-$root/build/mingw}
if [ "${DAVU_IN_VM:-0}" != 1 ]; then
  BUILD_DIR=$build "$root/scripts/build.sh"
  if ! "$root/scripts/vm-run.sh" --probe; then
    echo "32-bit programs cannot start on this kernel: running in a virtual" \
      "machine, which takes minutes" >&2
    exec "$root/scripts/vm-run.sh" bash "$0" "$@"
  fi
fi

prefix=$build/wineprefix
run() { "$root/scripts/wine-run.sh" "$prefix" "$@"; }
# Wine reaches the Unix file system through drive Z:.
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

#!/usr/bin/env bash
# Builds everything and runs every test through Wine twice, each pass in a
# fresh Wine prefix of its own:
#   1. as the build machine is set (normally UTC, Western code pages);
#   2. as a Russian Windows east of UTC: TZ=Europe/Moscow and the Unix
#      locale ru_RU.UTF-8, so Wine uses the code pages 1251 (ANSI) and 866
#      (OEM) and can create files whose names hold bytes from 0x80 up.
# Exits non-zero when any test of either pass fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/mingw}
BUILD_DIR=$build "$root/scripts/build.sh"

cd "$build"
# Debian's minimal images have no Russian locale; it is built into the
# build tree and found through LOCPATH.
locales=$build/locale
if [ ! -f "$locales/ru_RU.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$locales"
  localedef -i ru_RU -f UTF-8 "$locales/ru_RU.UTF-8" >/dev/null 2>&1 || true
  [ -f "$locales/ru_RU.UTF-8/LC_CTYPE" ] || {
    echo "could not build the ru_RU.UTF-8 locale" >&2
    exit 1
  }
fi

# The real FARs the walks (CTest label realfar) run in: each one whose
# folder is given; the others' walks skip.
far_hosts() {
  local var name
  for var in FAR170_DIR:1.70 FAR175_DIR:1.75 FAR3_DIR:3.0; do
    name=${var#*:}
    var=${var%%:*}
    if [ -n "${!var:-}" ] && [ -f "${!var}/Far.exe" ]; then
      echo "  FAR $name: runs, from $var=${!var}"
    else
      echo "  FAR $name: skipped ($var gives no Far.exe)"
    fi
  done
}
echo "=== Walks in the real FARs:"
far_hosts

failed=()
# Runs the whole suite in a new Wine prefix; further arguments are
# VAR=value settings for the pass.
run_pass() {
  local name=$1 prefix=$2
  shift 2
  rm -rf "$prefix" "$prefix.lock"
  echo "=== Test pass: $name"
  local start=$SECONDS
  if ! env DAVU_WINE_PREFIX="$prefix" "$@" \
    ctest --output-on-failure --no-tests=error -j2 --timeout 300; then
    failed+=("$name")
  fi
  echo "=== Test pass $name took $((SECONDS - start)) s"
}
run_pass "as set" "$build/wineprefix"
run_pass "Moscow, Russian" "$build/wineprefix-ru" \
  TZ=Europe/Moscow LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 LOCPATH="$locales"

echo "=== Walks in the real FARs:"
far_hosts
if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed passes: ${failed[*]}"
  exit 1
fi
echo "Both passes passed"

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
# A kernel built with its 32-bit emulation switched off cannot start 32-bit
# Wine at all. Then the checks that need no Wine run here, and the Wine
# tests can run inside a small virtual machine (scripts/vm-run.sh), whose
# software CPU is far too slow for the whole suite twice: only the programs
# named in DAVU_VM_TESTS (a ctest regex; "all" for every test) run there.
if ! "$root/scripts/vm-run.sh" --probe; then
  cat >&2 <<'EOT'
*** 32-bit programs cannot start on this kernel (its 32-bit emulation is
*** switched off), so 32-bit Wine cannot run the tests here directly.
EOT
  ctest --output-on-failure --no-tests=error -L host
  vm_tests=${DAVU_VM_TESTS:-}
  if [ -z "$vm_tests" ]; then
    echo "*** No Wine test ran: set DAVU_VM_TESTS (a ctest regex, or all) to"
    echo "*** run them in the virtual machine, or use a kernel with 32-bit"
    echo "*** programs for the whole suite in both passes."
    exit 0
  fi
  [ "$vm_tests" = all ] && vm_tests=.
  echo "=== Wine tests inside a virtual machine: $vm_tests"
  rm -rf "$build/wineprefix-vm" "$build/wineprefix-vm.lock"
  cmake -DDAVU_TEST_TIMEOUT=3000 . >/dev/null
  start=$SECONDS
  # The prefix is made before the tests, outside their time limits.
  DAVU_WINE_PREFIX="$build/wineprefix-vm" "$root/scripts/vm-run.sh" bash -c '
    "$1/scripts/wine-run.sh" "$DAVU_WINE_PREFIX" cmd /c exit &&
    ctest --output-on-failure --no-tests=error -LE host -R "$2"' _ \
    "$root" "$vm_tests" || vm_failed=1
  cmake -DDAVU_TEST_TIMEOUT=300 . >/dev/null
  [ -z "${vm_failed:-}" ] || exit 1
  echo "=== The virtual machine's tests took $((SECONDS - start)) s"
  echo "*** Only the tests above ran: run scripts/test.sh on a machine whose"
  echo "*** kernel starts 32-bit programs for the whole suite in both passes."
  exit 0
fi

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

if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed passes: ${failed[*]}"
  exit 1
fi
echo "Both passes passed"

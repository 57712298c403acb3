#!/usr/bin/env bash
# Runs a Windows program under headless 32-bit Wine.
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
# DAVU_WINE_PREFIX, when set, is used instead of PREFIX (a test pass of its
# own). The prefix is created on first use; a lock keeps parallel test runs
# from creating it twice.
set -euo pipefail
prefix=${DAVU_WINE_PREFIX:-$1}
shift
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.davu-ready" ]; then
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.davu-ready"
  fi
) 9>"$prefix.lock"
exec wine "$@"

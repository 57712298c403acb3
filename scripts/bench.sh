#!/usr/bin/env bash
# Builds everything and runs the benchmark under Wine: one line per figure
# (value, target, ratio), then a summary line. Exits non-zero when a target
# is missed. Arguments go to the benchmark (--runs N, --full).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/mingw}
BUILD_DIR=$build "$root/scripts/build.sh" >/dev/null
exec "$root/scripts/wine-run.sh" "$build/wineprefix" "$build/bin/davu_bench.exe" "$@"

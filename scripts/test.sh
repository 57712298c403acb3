#!/usr/bin/env bash
# Builds everything and runs every test through Wine; exits non-zero when
# any test fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/mingw}
BUILD_DIR=$build "$root/scripts/build.sh"
cd "$build"
ctest --output-on-failure --no-tests=error -j2 --timeout 300

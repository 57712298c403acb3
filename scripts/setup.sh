#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing:
# the 32-bit MinGW-w64 cross compilers (both thread models), 32-bit Wine,
# CMake, Ninja, the GoogleTest sources, and for the Russian test pass the
# locale definitions and the time-zone data, and tmux for the tests that
# drive a screen (the interactive host, and the walks in the real FAR 1.70;
# iconv and flock, which they use too, come with every Debian). On a
# kernel that cannot start 32-bit programs it has them run under QEMU
# (scripts/enable-32bit.sh).
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(g++-mingw-w64-i686 wine wine32:i386 cmake ninja-build googletest
  locales tzdata tmux)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1 || missing+=(g++-mingw-w64-i686-posix)
command -v i686-w64-mingw32-g++-win32 >/dev/null 2>&1 || missing+=(g++-mingw-w64-i686-win32)
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ${#missing[@]} -eq 0 ]; then
  exec "$root/scripts/enable-32bit.sh"
fi

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
# Other installs may be running: wait for the package lock, don't fail.
apt=(apt-get -o DPkg::Lock::Timeout=600 -o Acquire::Retries=3)
. "$root/scripts/apt-update.sh"
apt_update
DEBIAN_FRONTEND=noninteractive $SUDO "${apt[@]}" install -y -qq "${missing[@]}" >/dev/null
"$root/scripts/enable-32bit.sh"

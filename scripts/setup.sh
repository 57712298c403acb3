#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing:
# the 32-bit MinGW-w64 cross compilers, 32-bit Wine, CMake, Ninja and the
# GoogleTest sources, and tmux for the test of the interactive host.
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(g++-mingw-w64-i686 wine wine32:i386 cmake ninja-build googletest tmux)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1 || missing+=(g++-mingw-w64-i686-posix)
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null

#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing:
# the 32-bit MinGW-w64 cross compilers (both thread models), 32-bit Wine,
# CMake, Ninja, the GoogleTest sources, and for the Russian test pass the
# locale definitions and the time-zone data, and tmux for the test of the
# interactive host. On a kernel that cannot start 32-bit programs it adds
# what scripts/vm-run.sh needs to run them in a small virtual machine.
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

# Where 32-bit Wine is installed but cannot start, the tests run in a VM.
vm_missing() {
  local p
  "$root/scripts/vm-run.sh" --probe && return 0
  for p in qemu-system-x86 linux-image-amd64 busybox-static cpio; do
    dpkg -s "$p" >/dev/null 2>&1 || echo "$p"
  done
}
missing+=($(vm_missing))
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
# Other installs may be running: wait for the package lock, don't fail.
apt=(apt-get -o DPkg::Lock::Timeout=600)
$SUDO "${apt[@]}" update -qq
DEBIAN_FRONTEND=noninteractive $SUDO "${apt[@]}" install -y -qq "${missing[@]}" >/dev/null
vm=($(vm_missing))
if [ ${#vm[@]} -gt 0 ]; then
  echo "32-bit programs cannot start on this kernel; installing a VM: ${vm[*]}"
  DEBIAN_FRONTEND=noninteractive $SUDO "${apt[@]}" install -y -qq \
    --no-install-recommends "${vm[@]}" >/dev/null
fi

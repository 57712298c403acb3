#!/usr/bin/env bash
# Makes sure 32-bit Linux programs start here, as 32-bit Wine needs.
#
# Some kernels are built with their 32-bit emulation switched off at boot
# ("ia32_emulation"): a 32-bit ELF then fails with "Exec format error", and
# even a 32-bit code segment inside a 64-bit process faults, so no Wine mode
# runs Windows x86 code. There QEMU's user-mode emulator runs each 32-bit
# program, registered with binfmt_misc so that Wine's own children (the
# wine server, every Windows program) start under it too. Debian 12's QEMU
# 7.2 cannot: it ignores MAP_FIXED_NOREPLACE and Wine fails to map its
# shared user data; the QEMU 10 of bookworm-backports runs Wine well.
#
# Run as root (or with sudo); quick when nothing needs doing.
set -euo pipefail
wine=/usr/lib/wine/wine
[ -x "$wine" ] || exit 0
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

entry=/proc/sys/fs/binfmt_misc/qemu-i386
# With QEMU_VERSION set, a program started through QEMU prints QEMU's
# version instead of running: it tells which QEMU (if any) runs it.
qemu_major() {
  QEMU_VERSION=1 "$wine" 2>/dev/null |
    sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p' | head -1
}
major=$(qemu_major || true)
if [ -z "$major" ] && "$wine" --version >/dev/null 2>&1; then
  exit 0 # the kernel runs 32-bit programs itself
fi
if [ -n "$major" ] && [ "$major" -ge 10 ]; then
  exit 0 # already set up
fi

echo "32-bit programs cannot start on this kernel: running them under QEMU"
apt=(apt-get -o DPkg::Lock::Timeout=600 -o Acquire::Retries=3)
. "$(dirname "$0")/apt-update.sh"
# Not installed yet on a fresh machine: no version, and no failure.
installed=$( (qemu-i386-static --version 2>/dev/null || true) |
  sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p')
if [ -z "$installed" ] || [ "$installed" -lt 10 ]; then
  list=/etc/apt/sources.list.d/bookworm-backports.list
  if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d; then
    echo "deb http://deb.debian.org/debian bookworm-backports main" |
      $SUDO tee "$list" >/dev/null
  fi
  apt_update
  DEBIAN_FRONTEND=noninteractive $SUDO "${apt[@]}" install -y -qq \
    -t bookworm-backports qemu-user-static >/dev/null
fi

if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
  $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
fi
# An older registration holds the QEMU binary it was made with open (flag
# F): drop it so that the new one is used.
[ -e "$entry" ] && echo -1 | $SUDO tee "$entry" >/dev/null
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" |
  $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null

if ! "$wine" --version >/dev/null 2>&1; then
  echo "*** 32-bit programs still cannot start here, even under QEMU" >&2
  exit 1
fi

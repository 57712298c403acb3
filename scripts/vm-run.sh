#!/usr/bin/env bash
# Runs a command where 32-bit programs can execute, which 32-bit Wine needs.
#
# Some Linux kernels are built with 32-bit emulation switched off at boot
# ("ia32_emulation"); there a 32-bit ELF fails with "Exec format error" and
# no Wine prefix can even be made. This script then starts a small virtual
# machine (QEMU, software CPU) with Debian's own kernel, whose root file
# system is this machine's own, shared read-write over 9p: the command sees
# the same paths, programs and build trees, and its output and exit code
# come back here. Where 32-bit programs run natively the command runs
# directly.
#
# Usage: vm-run.sh COMMAND [ARGS...]   (runs in the current folder, with the
# current environment)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# True when a 32-bit program runs here (or there is no 32-bit Wine to try).
native32() {
  [ -x /usr/lib/wine/wine ] || return 0
  /usr/lib/wine/wine --version >/dev/null 2>&1
}
if [ "${1:-}" = --probe ]; then
  native32
  exit $?
fi
if [ "${DAVU_IN_VM:-0}" = 1 ] || { [ "${DAVU_FORCE_VM:-0}" != 1 ] && native32; }; then
  exec "$@"
fi

kernel=$(ls /boot/vmlinuz-*-amd64 2>/dev/null | sort -V | tail -1)
if [ -z "$kernel" ] || ! command -v qemu-system-x86_64 >/dev/null; then
  echo "vm-run: 32-bit programs cannot run on this kernel and no VM kernel" \
    "or QEMU is installed (scripts/setup.sh installs them)" >&2
  exit 2
fi
version=${kernel#/boot/vmlinuz-}
modules=/lib/modules/$version

state=${DAVU_VM_DIR:-$root/build/vm}
mkdir -p "$state"
initrd=$state/initrd-$version.cpio.gz

# A tiny initramfs: static busybox, the virtio and 9p modules, and an init
# that mounts this machine's root and runs the job inside it.
if [ ! -f "$initrd" ]; then
  tree=$(mktemp -d)
  mkdir -p "$tree"/{bin,dev,proc,sys,newroot,modules}
  cp /bin/busybox "$tree/bin/busybox"
  for m in kernel/drivers/virtio/virtio_ring.ko kernel/drivers/virtio/virtio.ko \
    kernel/drivers/virtio/virtio_pci_legacy_dev.ko \
    kernel/drivers/virtio/virtio_pci_modern_dev.ko \
    kernel/drivers/virtio/virtio_pci.ko kernel/fs/netfs/netfs.ko \
    kernel/fs/fscache/fscache.ko kernel/net/9p/9pnet.ko \
    kernel/net/9p/9pnet_virtio.ko kernel/fs/9p/9p.ko; do
    name=$(basename "$m")
    if [ -f "$modules/$m" ]; then
      cp "$modules/$m" "$tree/modules/$name"
    elif [ -f "$modules/$m.xz" ]; then
      xz -dc "$modules/$m.xz" >"$tree/modules/$name"
    fi
    echo "$name" >>"$tree/modules/order"
  done
  cat >"$tree/init" <<'EOF'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs dev /dev
for m in $(cat /modules/order); do
  [ -f /modules/$m ] && insmod /modules/$m 2>/dev/null
done
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,cache=loose,access=any hostroot /newroot || {
  echo "vm-run: cannot mount the host's root"; poweroff -f; }
job=$(sed -n 's/.*davu_job=\([^ ]*\).*/\1/p' /proc/cmdline)
mount -t proc proc /newroot/proc
mount -t sysfs sysfs /newroot/sys
mount -t devtmpfs dev /newroot/dev
mkdir -p /newroot/dev/pts /newroot/dev/shm
mount -t devpts devpts /newroot/dev/pts
mount -t tmpfs tmpfs /newroot/dev/shm
mount -t tmpfs tmpfs /newroot/tmp
mount -t tmpfs tmpfs /newroot/run
chroot /newroot /bin/bash "$job"
sync
echo o >/proc/sysrq-trigger
sleep 5
EOF
  chmod +x "$tree/init"
  (cd "$tree" && find . | cpio -o -H newc 2>/dev/null | gzip -1) >"$initrd.tmp"
  mv "$initrd.tmp" "$initrd"
  rm -rf "$tree"
fi

# The job: this shell's environment, folder and command; the exit code comes
# back through a file.
jobdir=$(mktemp -d "$state/job.XXXXXX")
rcfile=$jobdir/rc
{
  echo '#!/bin/bash'
  export -p | grep -v -E '^declare -x (PWD|OLDPWD|SHLVL|_)='
  printf 'cd %q || exit 1\n' "$PWD"
  printf 'export DAVU_IN_VM=1\n'
  echo 'echo "@@davu-vm-job@@"'
  printf '%q ' "$@"
  echo
  printf 'echo $? >%q\n' "$rcfile"
} >"$jobdir/job.sh"

mem=${DAVU_VM_MEMORY:-6144}
cpus=${DAVU_VM_CPUS:-$(nproc)}
# A plain CPU model: with "max", QEMU's software CPU let the guest kernel
# fault on Wine's return to 32-bit code.
qemu-system-x86_64 -accel tcg,thread=multi -cpu qemu64,+ssse3,+sse4.1,+sse4.2,+popcnt -smp "$cpus" -m "$mem" \
  -kernel "$kernel" -initrd "$initrd" \
  -append "console=ttyS0 quiet loglevel=0 panic=-1 ia32_emulation=on davu_job=$jobdir/job.sh" \
  -fsdev local,id=hostroot,path=/,security_model=passthrough,multidevs=remap \
  -device virtio-9p-pci,fsdev=hostroot,mount_tag=hostroot \
  -nographic -monitor none -serial stdio -no-reboot -nic none </dev/null |
  tr -d '\r' | awk 'go && !/\] sysrq: Power Off$/ { print; fflush() } /@@davu-vm-job@@$/ { go = 1 }'
rc=$(cat "$rcfile" 2>/dev/null || echo 125)
rm -rf "$jobdir"
exit "$rc"

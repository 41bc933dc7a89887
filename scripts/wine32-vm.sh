#!/usr/bin/env bash
# Runs Wine tests inside a small Debian VM, for machines whose kernel cannot start 32-bit
# programs (no IA-32 emulation: the 32-bit Wine tests skip there). The VM (qemu, software
# emulation, no KVM needed) boots Debian's own kernel, which runs 32-bit code; the project
# folder is shared into it at the same path, so the host tree's CTest runs unchanged.
# The image is made once under build/vm (about 20 minutes and 4 GB), then reused.
# usage: scripts/wine32-vm.sh [CTEST_REGEX]   (build the trees first: ./dev.sh build)
#        QZ_VM_JOB='bash FILE' scripts/wine32-vm.sh   (any command in place of CTest)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
regex=${1:-'^wine\.'}
vm=$root/build/vm
kernel_args="console=ttyS0 quiet"

need=()
for p in qemu-system-x86 debootstrap e2fsprogs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
[ ${#need[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need[@]}"

make_image() {
  local tree=$vm/root
  rm -rf "$tree" "$vm/root.img"
  mkdir -p "$vm"
  debootstrap --arch=amd64 --variant=minbase \
    --include=linux-image-amd64,udev,kmod,procps,ca-certificates bookworm "$tree" \
    http://deb.debian.org/debian
  cp /etc/resolv.conf "$tree/etc/"
  printf '#!/bin/sh\nexit 101\n' >"$tree/usr/sbin/policy-rc.d"  # no services in the chroot
  chmod +x "$tree/usr/sbin/policy-rc.d"
  for d in proc sys dev; do mount --bind "/$d" "$tree/$d"; done
  trap 'for d in proc sys dev; do umount "$tree/$d" 2>/dev/null || true; done' RETURN
  # What the Wine tests run besides the Windows programs: the host tree's tools, the X
  # server and its clients, the fonts.
  chroot "$tree" bash -c 'dpkg --add-architecture i386 && apt-get update -q &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q wine wine64 wine32:i386 xvfb xauth \
      imagemagick x11-utils xdotool openssl osslsigncode cmake zlib1g fonts-wqy-microhei'
  cat >"$tree/vm-init.sh" <<'EOF'
#!/bin/bash
# The VM's first process: mounts, the shared project, the job, then power off.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
mount -t proc proc /proc 2>/dev/null; mount -t sysfs sys /sys 2>/dev/null
mount -t devtmpfs dev /dev 2>/dev/null; mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts; mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp; mount -t tmpfs tmpfs /run; mount -o remount,rw /
modprobe 9pnet_virtio; modprobe 9p
project=$(sed -n 's/.*qzproject=\([^ ]*\).*/\1/p' /proc/cmdline)
mkdir -p "$project"
# Reads through the page cache: in the default mode, programs with a section larger than
# about 512 KiB crashed or hung at start-up when Wine started them straight from the share,
# while copies on the VM's disk ran.
mount -t 9p -o trans=virtio,version=9p2000.L,msize=1048576,cache=loose project "$project"
bash "$project/build/vm/job.sh"
echo "$?" >"$project/build/vm/job.rc"
sync
echo o >/proc/sysrq-trigger
sleep 30
EOF
  chmod +x "$tree/vm-init.sh"
  truncate -s 8G "$vm/root.img.new"
  mkfs.ext4 -q -d "$tree" "$vm/root.img.new"
  mv "$vm/root.img.new" "$vm/root.img"
}
[ -f "$vm/root.img" ] || make_image

# The kernel and initrd boot from outside the image; take them out of it when the tree it was
# made from is gone.
boot=$vm/root/boot
if ! ls "$boot"/vmlinuz-* >/dev/null 2>&1; then
  boot=$vm/boot
  mkdir -p "$boot"
  for f in $(debugfs -R 'ls /boot' "$vm/root.img" 2>/dev/null | tr -s ' ' '\n' | grep -E '^(vmlinuz|initrd\.img)-'); do
    [ -s "$boot/$f" ] || debugfs -R "dump /boot/$f $boot/$f" "$vm/root.img" 2>/dev/null
  done
fi

# The Wine prefix lives on the VM's own disk (kept between runs): made over the shared folder,
# it takes longer than the tests allow.
cat >"$vm/job.sh" <<EOF
mkdir -p /root/qz-wine "$root/build/host/wine"
mount --bind /root/qz-wine "$root/build/host/wine"
# Everything runs several times slower here: longer waits for the prefix and the windows.
export QZ_WINEBOOT_SECONDS=1800 QZ_WAIT_SCALE=4
cd "$root/build/host"
${QZ_VM_JOB:-ctest -R '$regex' --timeout 3600 --output-on-failure}
EOF
rm -f "$vm/job.rc"
# A CPU model without the newest features: the emulator's handling of those in 32-bit code
# crashed the guest kernel.
qemu-system-x86_64 -machine q35 -accel tcg,thread=multi -cpu Nehalem -smp "$(nproc)" -m 8G \
  -nographic -no-reboot \
  -kernel "$(ls "$boot"/vmlinuz-* | tail -1)" -initrd "$(ls "$boot"/initrd.img-* | tail -1)" \
  -append "root=/dev/vda rw init=/vm-init.sh qzproject=$root $kernel_args" \
  -drive "file=$vm/root.img,format=raw,if=virtio,cache=unsafe" \
  -virtfs "local,path=$root,mount_tag=project,security_model=none,id=project" |
  grep --line-buffered -v '^\[ *[0-9.]*\]' | tee "$vm/last-run.log"
[ -f "$vm/job.rc" ] || { echo "the VM ended before its job did"; exit 1; }
exit "$(cat "$vm/job.rc")"

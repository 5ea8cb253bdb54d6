# Sourced by scripts/test: runs a command on a machine that executes 32-bit programs, for the
# shipped i686 build, when this one cannot (its kernel refuses them, and Wine's 32-bit side is
# one of them).
#
# The machine is a virtual one under qemu: Debian's own amd64 kernel, which runs 32-bit
# programs, booted on this machine's file system, shared read-write through 9p. So the guest has
# exactly the packages that scripts/setup installed here (wine32 among them), the same paths,
# the same build folders; only the kernel differs. A tiny initramfs (busybox and the 9p modules)
# mounts that file system and hands over to scripts/lib/vm32-guest.sh.
#
# What takes long to make is cached in build/vm32: the kernel, unpacked from Debian's package,
# and the initramfs. qemu emulates the processor (TCG): on this kind of machine /dev/kvm exists,
# but nested under another hypervisor it ran the guest's kernel at a few hundred kilobytes of
# decompression a second, far slower than emulation.
#
#   vorlane_vm32_prepare          makes the cache (downloads the kernel package once)
#   vorlane_vm32_run CMD [ARG...]  runs CMD in the repository folder on the guest; its exit code

VORLANE_VM32=${VORLANE_VM32:-$VORLANE_ROOT/build/vm32}

vorlane_vm32_prepare() {
  local dir=$VORLANE_VM32
  [ -s "$dir/vmlinuz" ] && [ -s "$dir/initrd.gz" ] && return 0
  mkdir -p "$dir"
  local work=$dir/make
  rm -rf "$work"
  mkdir -p "$work/deb" "$work/root" "$work/initrd/bin" "$work/initrd/lib/modules"
  # The kernel that Debian's linux-image-amd64 stands for now.
  local image
  kernel_package() { apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ { print $2; exit }'; }
  image=$(kernel_package)
  if [ -z "$image" ]; then
    apt-get update -qq >/dev/null 2>&1 || true
    image=$(kernel_package)
  fi
  [ -n "$image" ] || { echo "vm32: no amd64 kernel package found (apt-get update?)" >&2; return 1; }
  (cd "$work/deb" && apt-get download "$image" >/dev/null 2>&1) ||
    { echo "vm32: could not download $image" >&2; return 1; }
  dpkg -x "$work"/deb/*.deb "$work/root"
  local version=${image#linux-image-}
  depmod -b "$work/root" "$version"
  # The modules that a 9p root over virtio needs, in the order they load.
  local modules m
  modules=$(for m in virtio_pci 9pnet_virtio 9p; do
              modprobe -d "$work/root" -S "$version" --show-depends "$m"
            done | awk '$1 == "insmod" && !seen[$2]++ { print $2 }')
  for m in $modules; do
    cp "$m" "$work/initrd/lib/modules/"
    basename "$m"
  done >"$work/initrd/modules"
  cp /bin/busybox "$work/initrd/bin/busybox"
  cat >"$work/initrd/init" <<'EOF'
#!/bin/busybox sh
# Mounts this machine's file system (the host's, through 9p) and starts the guest script on it.
bb=/bin/busybox
$bb mkdir -p /proc /dev /newroot
$bb mount -t proc proc /proc
$bb mount -t devtmpfs dev /dev
while read -r m; do $bb insmod "/lib/modules/$m" || echo "vm32: insmod $m failed"; done </modules
if ! $bb mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose,access=client host /newroot; then
  echo "vm32: the host file system could not be mounted"
  echo o >/proc/sysrq-trigger
fi
$bb umount /proc
$bb umount /dev
exec $bb switch_root /newroot /bin/bash "$vmguest"
EOF
  chmod +x "$work/initrd/init"
  (cd "$work/initrd" && find . | /bin/busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$dir/initrd.gz.part"
  cp "$work/root/boot/vmlinuz-$version" "$dir/vmlinuz.part"
  mv "$dir/initrd.gz.part" "$dir/initrd.gz"
  mv "$dir/vmlinuz.part" "$dir/vmlinuz"
  rm -rf "$work"
}

# TCG unless VORLANE_VM32_ACCEL=kvm asks for KVM (for a machine where it runs at speed).
vorlane_vm32_accel() { echo "${VORLANE_VM32_ACCEL:-tcg}"; }

vorlane_vm32_run() {
  vorlane_vm32_prepare || return 1
  local dir=$VORLANE_VM32 accel cpu
  accel=$(vorlane_vm32_accel)
  if [ "$accel" = kvm ]; then
    # Nested KVM here fails to emulate RDRAND and rejects the host's ARCH_CAPABILITIES MSR.
    cpu=host,-arch-capabilities,-rdrand,-rdseed
  else
    # TCG's SMAP and PKU made the guest kernel fault on Wine's 32-bit iret from user mode.
    cpu=${VORLANE_VM32_CPU:-max,-smap,-pku,-la57}
  fi
  # The job: the command, its folder and the environment it needs, read by the guest script.
  {
    printf 'cd %q\n' "$PWD"
    local v
    for v in CI LANG VORLANE_WINEPREFIX; do
      [ -n "${!v:-}" ] && printf 'export %s=%q\n' "$v" "${!v}"
    done
    # Emulated, a test takes several times as long as here.
    printf 'export VORLANE_CTEST_TIMEOUT=%q\n' "${VORLANE_CTEST_TIMEOUT:-3600}"
    printf '%q ' "$@"
    printf '\n'
  } >"$dir/job"
  rm -f "$dir/rc"
  local memory=$(( $(awk '/MemTotal/ { print int($2 / 1024) }' /proc/meminfo) / 3 ))
  [ "$memory" -gt 6144 ] && memory=6144
  timeout --kill-after=30 "${VORLANE_VM32_TIMEOUT:-3600}" \
    qemu-system-x86_64 -accel "$accel" -cpu "$cpu" -smp "${VORLANE_VM32_CPUS:-$(nproc)}" -m "$memory" \
      -display none -no-reboot -nic none \
      -serial "file:$dir/console.log" \
      -kernel "$dir/vmlinuz" -initrd "$dir/initrd.gz" \
      -append "console=ttyS0 quiet panic=-1 vmguest=$VORLANE_ROOT/scripts/lib/vm32-guest.sh vmwork=$dir" \
      -virtfs "local,path=/,mount_tag=host,security_model=passthrough,id=host,multidevs=remap" \
      >"$dir/qemu.log" 2>&1
  local qemu_rc=$?
  if [ ! -s "$dir/rc" ]; then
    echo "vm32: the guest ended without a result (qemu exit $qemu_rc); its console:" >&2
    tail -20 "$dir/console.log" >&2
    return 125
  fi
  return "$(cat "$dir/rc")"
}

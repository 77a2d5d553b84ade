#!/usr/bin/env bash
# check-debian-root.sh DEB: installs the package DEB with apt into a fresh, minimal Debian 12
# root (debootstrap, in build-pkg-root/), as on a clean machine: apt must pull every runtime
# dependency. Then runs the installed programs there, purges the package and checks that none
# of its files is left. Needs root and Debian's archive (the mirror this machine's apt uses).
# The root is removed afterwards (VQ830_KEEP_ROOT=1 keeps it).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
deb="$(realpath "$1")"
chroot_dir="$root/build-pkg-root/bookworm"
say() { printf 'debian-root: %s\n' "$*"; }

# The Debian mirror of this machine's apt sources, else Debian's own.
mirror() {
  local uri
  uri="$(grep -hoE '^(URIs:[[:space:]]*|deb[[:space:]]+)https?://[^[:space:]]+/debian/?([[:space:]]|$)' \
           /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list \
           2>/dev/null | head -n1 | grep -oE 'https?://[^[:space:]]+' || true)"
  echo "${uri:-http://deb.debian.org/debian}"
}

unmount_proc() { if mountpoint -q "$chroot_dir/proc"; then umount "$chroot_dir/proc"; fi; }

cleanup() {
  unmount_proc
  [ "${VQ830_KEEP_ROOT:-0}" = 1 ] || rm -rf --one-file-system "$chroot_dir"
}

in_root() { chroot "$chroot_dir" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
              DEBIAN_FRONTEND=noninteractive "$@"; }

make_root() {
  local start=$SECONDS
  unmount_proc  # what an earlier, interrupted run left
  rm -rf --one-file-system "$chroot_dir"
  mkdir -p "$(dirname "$chroot_dir")"
  debootstrap --variant=minbase bookworm "$chroot_dir" "$(mirror)" >"$chroot_dir.log" 2>&1 ||
    { tail -n 20 "$chroot_dir.log" >&2; return 1; }
  # The same suites as this machine (updates and security too) when it lists them in one file.
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    cp /etc/apt/sources.list.d/debian.sources "$chroot_dir/etc/apt/sources.list.d/"
    rm -f "$chroot_dir/etc/apt/sources.list"
  fi
  printf '#!/bin/sh\nexit 101\n' >"$chroot_dir/usr/sbin/policy-rc.d"  # start no services
  chmod 755 "$chroot_dir/usr/sbin/policy-rc.d"
  mount -t proc proc "$chroot_dir/proc"
  say "minimal Debian 12 root made in $((SECONDS - start)) s (mirror $(mirror))"
}

install_package() {
  local start=$SECONDS
  cp "$deb" "$chroot_dir/tmp/"
  in_root apt-get update -qq
  in_root apt-get install -y "/tmp/$(basename "$deb")" >"$chroot_dir.apt.log" 2>&1 ||
    { tail -n 30 "$chroot_dir.apt.log" >&2; return 1; }
  say "apt installed the package in $((SECONDS - start)) s; it pulled:"
  sed -n '/^The following NEW packages will be installed:/,/^[0-9]* upgraded/p' "$chroot_dir.apt.log"
}

run_programs() {
  say "vq830-tool --version: $(in_root vq830-tool --version)"
  say "vq830-sim --help: $(in_root vq830-sim --help | head -n1)"
  say "vq830 --help: $(in_root vq830 --help | head -n1)"
  # The window itself, on Qt's offscreen platform: it must find every library and plug-in.
  in_root env QT_QPA_PLATFORM=offscreen timeout 5 vq830-tool >/dev/null 2>&1 &&
    { say "vq830-tool exited on its own with the window open" >&2; return 1; }
  [ $? -eq 124 ] || { say "vq830-tool failed to start its window" >&2; return 1; }
  say "vq830-tool ran its window (offscreen) until stopped after 5 s"
}

purge_package() {
  local files left
  files="$(in_root dpkg-query -L vq830-tool)"
  in_root apt-get remove --purge -y vq830-tool >>"$chroot_dir.apt.log" 2>&1
  left="$(while read -r f; do
            [ -n "$f" ] && [ ! -d "$chroot_dir$f" ] && [ -e "$chroot_dir$f" ] && echo "$f"
          done <<<"$files" || true)"
  [ -z "$left" ] || { say "left after purge: $left" >&2; return 1; }
  say "purged: none of its $(grep -c . <<<"$files") paths' files is left"
}

[ "$(id -u)" -eq 0 ] || { say "needs root (debootstrap, chroot)" >&2; exit 1; }
trap cleanup EXIT
total=$SECONDS
make_root
install_package
run_programs
purge_package
say "passed in $((SECONDS - total)) s"

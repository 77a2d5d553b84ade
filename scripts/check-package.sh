#!/usr/bin/env bash
# check-package.sh: builds the Debian package from a fresh build directory (scripts/package.sh)
# and checks it: its file list, lintian (no errors), the desktop entry and the AppStream
# metadata (validators, no errors), the programs run from an install into a temporary root
# (DESTDIR), and apt's install into a fresh Debian 12 root (scripts/check-debian-root.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
build="$root/build-pkg"
say() { printf 'package: %s\n' "$*"; }
fail() { printf 'package: FAILED: %s\n' "$*" >&2; exit 1; }

# The files the package must hold.
expected=(
  usr/bin/vq830-tool
  usr/bin/vq830-sim
  usr/bin/vq830
  usr/share/applications/vq830-tool.desktop
  usr/share/metainfo/vq830-tool.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/vq830-tool.svg
  usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/vq830-tool.png
  usr/share/man/man1/vq830-tool.1.gz
  usr/share/man/man1/vq830-sim.1.gz
  usr/share/man/man1/vq830.1.gz
  usr/share/doc/vq830-tool/copyright
  usr/share/doc/vq830-tool/changelog.gz
)

check_file_list() {
  local deb="$1" list entry
  list="$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./||')"
  for entry in "${expected[@]}"; do
    grep -qxF "$entry" <<<"$list" || fail "the package lacks $entry"
  done
  say "the package holds every expected file"
}

check_lintian() {
  local out
  out="$(lintian --info "$1" 2>&1 | grep -v '^running with root privileges' || true)"
  printf '%s\n' "${out:-(lintian: no tags)}"
  ! grep -q '^E:' <<<"$out" || fail "lintian reports errors"
}

# Runs an installed program with no display; prints its output, fails on another exit status.
run_installed() {
  local status=0 expect="$1"; shift
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" >"$build/run.out" 2>&1 || status=$?
  [ "$status" -eq "$expect" ] || { cat "$build/run.out"; fail "$* exited $status, not $expect"; }
}

check_destdir() {
  local dest="$build/destdir" version usr
  rm -rf "$dest"
  DESTDIR="$dest" cmake --install "$build" >/dev/null
  usr="$dest/usr"
  desktop-file-validate "$usr/share/applications/vq830-tool.desktop" || fail "desktop entry"
  check_metainfo "$usr/share/metainfo/vq830-tool.metainfo.xml"
  version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
  run_installed 0 "$usr/bin/vq830-tool" --version
  [ "$(cat "$build/run.out")" = "vq830-tool $version" ] || fail "--version: $(cat "$build/run.out")"
  say "installed vq830-tool --version: $(cat "$build/run.out")"
  run_installed 0 "$usr/bin/vq830-tool" --help
  grep -q '^Usage: vq830-tool' "$build/run.out" || fail "vq830-tool --help"
  run_installed 2 "$usr/bin/vq830-tool" --no-such-option
  grep -q '^Usage: vq830-tool' "$build/run.out" || fail "vq830-tool with a bad option"
  run_installed 0 "$usr/bin/vq830-sim" --help
  say "installed vq830-sim --help: $(head -n1 "$build/run.out")"
  run_installed 0 "$usr/bin/vq830" --help
  grep -q '^Usage: vq830 ' "$build/run.out" || fail "vq830 --help"
  say "installed vq830 --help: $(head -n1 "$build/run.out")"
  check_icons "$usr/share/icons/hicolor"
}

# appstreamcli fails on warnings too; only its errors fail this check (the one warning, an id
# that is no reverse domain name, stays: the id is the package's and the desktop entry's name).
check_metainfo() {
  local out
  out="$(appstreamcli validate --no-net --no-color "$1" 2>&1 || true)"
  printf '%s\n' "$out"
  grep -qE '^E:|Validation failed: errors' <<<"$out" && fail "AppStream metadata has errors"
  grep -qE 'Validation was successful|Validation failed: (warnings|infos)' \
    <<<"$out" || fail "appstreamcli gave no verdict"
}

check_icons() {
  local size
  for size in 16 32 48 64 128 256; do
    file "$1/${size}x$size/apps/vq830-tool.png" | grep -q "PNG image data, $size x $size," ||
      fail "the ${size}x$size icon is not a $size x $size PNG"
  done
}

deb="$("$root/scripts/package.sh")"
say "built $deb"
dpkg-deb -c "$deb"
check_file_list "$deb"
check_lintian "$deb"
check_destdir
say "desktop entry, metadata, icons and the installed programs (DESTDIR) checked"
if [ "$(id -u)" -eq 0 ]; then
  "$root/scripts/check-debian-root.sh" "$deb"
else
  say "not root: the install into a fresh Debian 12 root (scripts/check-debian-root.sh) skipped"
fi
say "all package checks passed"

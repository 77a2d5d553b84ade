#!/usr/bin/env bash
# Installs the Debian packages the tool, its simulator and its tests need, if missing.
# `setup.sh windows` also installs what the Windows build and its tests under wine need.
# Works as root, or as a normal user with sudo. Safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache       # build
  qt6-base-dev qt6-serialport-dev               # window toolkit; its serial port module lists the port panel's devices
  libqt6sql6-sqlite libqt6sql6-psql             # the line's database: SQLite and PostgreSQL drivers
  postgresql-15                                 # a real server for the line's tests (started by them)
  libgl-dev                                     # OpenGL headers Qt's CMake files look for
  fonts-wqy-zenhei                              # Chinese captions
  qt6-translations-l10n                         # the toolkit's own texts in Chinese
  qt6-tools-dev qt6-l10n-tools                  # the window's English: lupdate, lrelease and their CMake functions
  clang libclang-rt-14-dev                      # fuzzing and sanitizer builds
  xvfb xauth                                    # running the window with no desktop
  dpkg-dev fakeroot file                        # the Debian package: dpkg-shlibdeps, dpkg-deb
  lintian desktop-file-utils appstream          # its checks: lintian, desktop entry, metadata
  debootstrap                                   # a clean Debian 12 root to install it into
  qemu-system-x86 busybox-static cpio udev      # the real serial drivers in a virtual machine
)
if [ "${1:-}" = windows ]; then
  packages+=(
    g++-mingw-w64-x86-64-posix                  # the Windows cross-compiler (posix threads)
    qt6-base-dev-tools                          # Qt's host tools (moc, rcc, uic) for it
    wine wine64                                 # running the Windows programs and tests here
    x11-utils                                   # xwininfo: waiting for the window under Xvfb
    zip                                         # the Windows download
    nsis                                        # the Windows installer (makensis)
    sqlite3                                     # reading the database a Windows program wrote
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo_cmd=()
elif command -v sudo >/dev/null 2>&1; then
  sudo_cmd=(sudo)
else
  echo "setup: missing packages (${missing[*]}) and neither root nor sudo to install them" >&2
  exit 1
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# The tests start PostgreSQL servers of their own: installing the server must not make and start
# a cluster of the machine's (a drop-in, not the package's own configuration file).
if [[ " ${missing[*]} " == *" postgresql-15 "* ]]; then
  "${sudo_cmd[@]}" mkdir -p /etc/postgresql-common/createcluster.d
  echo "create_main_cluster = false" |
    "${sudo_cmd[@]}" tee /etc/postgresql-common/createcluster.d/vq830-no-main-cluster.conf >/dev/null
fi
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "${missing[@]}" >/dev/null

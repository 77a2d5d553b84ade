#!/usr/bin/env bash
# build-qt.sh PREFIX: builds Qt for Windows (qtbase: Core, Gui, Widgets, Test; static; x86_64)
# from Debian's own qt6-base source with Debian's mingw-w64, and installs it into PREFIX with a
# CMake toolchain file, so that PREFIX/bin/qt-cmake configures Windows builds of this project.
# Takes 15 to 30 minutes on 2 cores (925 build steps; 16 min here, nice, with the machine
# otherwise lightly used).
# scripts/windows.sh calls it when no built Qt for Windows is at hand.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
[ $# -eq 1 ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
prefix="$1"
work="${VQ830_QT_WORK:-$prefix.work}"
mkdir -p "$work"

# Debian's source packages: a deb-src entry for the archive the machine already uses.
source_entry() {
  local list=/etc/apt/sources.list.d/vq830-src.sources
  [ -f "$list" ] && return
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$list"
  else
    grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"${list%.sources}.list"
  fi
  apt-get update -qq
}

fetch_source() { # sets src, the unpacked source
  if ! ls -d "$work"/qt6-base-*/ >/dev/null 2>&1; then
    source_entry
    (cd "$work" && apt-get source -qq qt6-base)
    src="$(ls -d "$work"/qt6-base-*/ | head -1)"
    # With OpenGL and Direct2D off the Windows platform plugin does not build without these.
    for p in "$here"/*.patch; do patch -d "$src" -p1 <"$p"; done
  fi
  src="$(ls -d "$work"/qt6-base-*/ | head -1)"
}

configure() {
  local off=(pkg_config network sql dbus opengl printsupport concurrent xml vulkan tabletevent
             direct2d freetype jpeg zstd icu androiddeployqt)
  local flags=() f
  for f in "${off[@]}"; do flags+=("-DFEATURE_$f=OFF"); done
  for f in zlib pcre2 libpng harfbuzz doubleconversion libjpeg freetype; do
    flags+=("-DFEATURE_system_$f=OFF")
  done
  # Qt's own qt-cmake refers to this file later: it lives in the prefix.
  mkdir -p "$prefix"
  cp "$here/mingw-w64-x86_64.cmake" "$prefix/mingw-w64-x86_64.cmake"
  cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DFEATURE_testlib=ON -DFEATURE_harfbuzz=ON -DINPUT_openssl=no "${flags[@]}"
}

fetch_source
[ -f "$work/build/build.ninja" ] || configure
ninja -C "$work/build" -j"${VQ830_QT_JOBS:-2}"
ninja -C "$work/build" install
echo "Qt for Windows installed in $prefix"

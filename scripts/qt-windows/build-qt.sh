#!/usr/bin/env bash
# build-qt.sh PREFIX: builds Qt for Windows (qtbase: Core, Gui, Widgets, Sql, Test; static;
# x86_64) from Debian's own qt6-base source with Debian's mingw-w64, and installs it into PREFIX
# with a CMake toolchain file, so that PREFIX/bin/qt-cmake configures Windows builds of this
# project.
# Qt SQL comes with two drivers: QSQLITE (the line's database as a file), on SQLite built first
# from Debian's sqlite3 source into PREFIX/lib/libsqlite3.a and PREFIX/include/sqlite3.h (the
# source package has no amalgamation: its ./configure && make sqlite3.c makes one, with tclsh
# from Debian's tcl), and QODBC (Windows' own odbc32). Qt's PostgreSQL driver is not built: it
# needs a Windows libpq.
# Takes 15 to 30 minutes on 2 cores (967 build steps; 16 min here, nice, with the machine
# otherwise lightly used); SQLite about a minute of it.
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

# A package from Debian when one of its programs is missing (root, or a user with sudo).
need() { # PROGRAM PACKAGE
  command -v "$1" >/dev/null 2>&1 && return
  local sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$2" >/dev/null
}

# SQLite for Qt's SQLite driver, built for Windows into the prefix. The flags: threads (Win32
# mutexes), no run-time extension loading, full-text search and R-trees as in common builds,
# and the column metadata that the driver calls (sqlite3_column_table_name16): without it no
# program using the driver links.
sqlite() {
  [ -f "$prefix/lib/libsqlite3.a" ] && [ -f "$prefix/include/sqlite3.h" ] && return
  if ! ls -d "$work"/sqlite3-*/ >/dev/null 2>&1; then
    source_entry
    (cd "$work" && apt-get source -qq sqlite3)
  fi
  local dir
  dir="$(ls -d "$work"/sqlite3-*/ | head -1)"
  if [ ! -f "$dir/sqlite3.c" ]; then
    need tclsh tcl
    (cd "$dir" && ./configure -q >/dev/null && make -s sqlite3.c >/dev/null)
  fi
  x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION \
    -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_RTREE \
    -c "$dir/sqlite3.c" -o "$work/sqlite3.o"
  mkdir -p "$prefix/lib" "$prefix/include"
  rm -f "$prefix/lib/libsqlite3.a"
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$work/sqlite3.o"
  cp "$dir/sqlite3.h" "$prefix/include/sqlite3.h"
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
  local off=(pkg_config network dbus opengl printsupport concurrent xml vulkan tabletevent
             direct2d freetype jpeg zstd icu androiddeployqt
             sql_db2 sql_ibase sql_mysql sql_oci sql_psql)
  local on=(sql sql_sqlite system_sqlite sql_odbc testlib harfbuzz)
  local flags=() f
  for f in "${off[@]}"; do flags+=("-DFEATURE_$f=OFF"); done
  for f in "${on[@]}"; do flags+=("-DFEATURE_$f=ON"); done
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
    -DSQLite3_INCLUDE_DIR="$prefix/include" -DSQLite3_LIBRARY="$prefix/lib/libsqlite3.a" \
    -DINPUT_openssl=no "${flags[@]}"
}

sqlite
fetch_source
# A build folder configured without Qt SQL (an older recipe) is configured again.
grep -qx 'FEATURE_sql_sqlite:BOOL=ON' "$work/build/CMakeCache.txt" 2>/dev/null || configure
ninja -C "$work/build" -j"${VQ830_QT_JOBS:-2}"
ninja -C "$work/build" install
echo "Qt for Windows installed in $prefix"

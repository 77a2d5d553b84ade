#!/usr/bin/env bash
# package.sh: builds the Debian package vq830-tool from a fresh build directory (build-pkg/,
# removed first) and puts it into dist/. Debian's hardening flags (dpkg-buildflags) are used
# and the programs are stripped; the package's shared-library dependencies come from
# dpkg-shlibdeps. The build's messages go to standard error; standard output is the package's
# path alone.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
"$root/scripts/setup.sh" >&2
build="$root/build-pkg"
dist="$root/dist"

rm -rf "$build"
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVQ830_TEST_DIRS= \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
ninja -C "$build" -j"${VQ830_PACKAGE_JOBS:-2}" >&2
(cd "$build" && cpack -G DEB -B "$build/cpack") >&2

mkdir -p "$dist"
rm -f "$dist"/vq830-tool_*.deb
mv "$build"/cpack/vq830-tool_*.deb "$dist/"
ls "$dist"/vq830-tool_*.deb

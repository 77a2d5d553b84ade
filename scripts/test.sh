#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test:
#   1. the normal build;
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build of everything;
#   3. a ThreadSanitizer build of the serial port component, the simulator (its server thread)
#      and their tests;
#   4. short libFuzzer runs (clang) of the reply parsers and their dispatch, the integer
#      conversion and the frame builders, and of the simulated device's frame reader and
#      command line (scripts/fuzz.sh runs the same targets for longer);
#   5. the real kernel serial drivers (tests/drivers/run.sh): Debian 12's own kernel under QEMU
#      with an emulated FTDI USB adapter and a 16550A UART, each wired to a simulated device;
#      the command line and the window on them, baud rates and DTR/RTS as the chips saw them,
#      the adapter pulled out and put back;
#   6. the Debian package (scripts/check-package.sh): built from a fresh build directory, its
#      file list, lintian, the desktop entry and metadata validators, the programs installed
#      into a temporary root, and apt's install into a fresh Debian 12 root.
# Tests use Qt's offscreen platform, pseudo-terminals and emulated adapters in a virtual
# machine: no display, no hardware, never this machine's own serial ports.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1
jobs="${VQ830_TEST_JOBS:-2}"
lsan_supp="$root/tests/lsan.supp"

step() { printf '\n==== %s ====\n' "$*"; }

step "normal build"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd "$root/build" && ctest -j"$jobs")

step "AddressSanitizer + UndefinedBehaviorSanitizer build"
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVQ830_SANITIZE=address
(cd "$root/build-asan" && LSAN_OPTIONS="suppressions=$lsan_supp:print_suppressions=0" ctest -j"$jobs")

step "ThreadSanitizer build of the serial port component and the simulator"
"$root/scripts/build.sh" "$root/build-tsan" -DCMAKE_BUILD_TYPE=Debug -DVQ830_WITH_QT=OFF \
  -DVQ830_SANITIZE=thread -DVQ830_TEST_DIRS="serial;sim"
(cd "$root/build-tsan" && TSAN_OPTIONS="halt_on_error=1" ctest -j1)

step "libFuzzer runs of the reply parsers, the integer conversion, the frame builders and the simulator"
VQ830_TARGETS="protocol_fuzz frames_fuzz sim_fuzz sim_options_fuzz" "$root/scripts/build.sh" "$root/build-fuzz" -DCMAKE_BUILD_TYPE=Debug -DVQ830_WITH_QT=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVQ830_SANITIZE=address \
  -DVQ830_FUZZ=ON -DVQ830_TEST_DIRS="protocol;sim"
(cd "$root/build-fuzz" && ctest -j1 -R fuzz)

step "real kernel serial drivers in a virtual machine (FTDI on ftdi_sio, 16550A on 8250)"
"$root/tests/drivers/run.sh" "$root/build"

step "Debian package: build, lintian, desktop entry, metadata, install into a fresh Debian 12 root"
"$root/scripts/check-package.sh"

step "all test runs passed"

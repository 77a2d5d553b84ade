#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool against the simulated device:
# the simulator's pseudo-terminal is mapped as "COM4", the port the window opens by default.
# Closing the tool stops the simulator.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
build="$root/build-run"
"$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVQ830_TEST_DIRS= >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display (DISPLAY is not set). Run this from a desktop session," >&2
  echo "run: or under Xvfb: xvfb-run -a $0" >&2
  exit 2
fi

portdir="$(mktemp -d)"
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$portdir"
}
trap cleanup EXIT INT TERM

"$build/sim/vq830-sim" --link "$portdir" --name COM4 --exit-with-parent ${VQ830_SIM_ARGS:-} >"$portdir/sim.out" &
sim_pid=$!
for _ in $(seq 100); do [ -L "$portdir/COM4" ] && break; sleep 0.05; done
[ -L "$portdir/COM4" ] || { echo "run: the simulator did not start" >&2; exit 1; }
echo "run: simulated VQ830-A(B) on $(readlink "$portdir/COM4"), mapped as COM4"
VQ830_PORT_DIR="$portdir" "$build/app/vq830-tool" "$@"

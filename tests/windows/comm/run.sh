#!/usr/bin/env bash
# run.sh LINUX_BUILD WINDOWS_BUILD [TEST ARGS...]: runs TComm's Windows test under wine against the Linux
# peers: comm_peer (COM5, COM6 echo, COM7 control) and a vq830-sim (COM4), all on
# pseudo-terminals linked in a temporary folder that the prefix's registry maps. Prints one
# line per test program and exits 0 only when all passed; the whole run is bounded (a stuck
# program is killed and counts as failed). The test's full output: WINDOWS_BUILD/wine-logs/.
# TEST ARGS go to the test program (for instance the names of the test functions to run).
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/../wine.sh"
linux=$(cd "$1" && pwd); windows=$(cd "$2" && pwd)
shift 2
prefix=$windows/wineprefix
logs=$windows/wine-logs
peer=$linux/tests/windows/comm/comm_peer
preload=$linux/tests/windows/comm/libwine_modem_preload.so
sim=$linux/sim/vq830-sim
for f in "$peer" "$preload" "$sim" "$windows/tests/windows/comm/test_win_comm.exe"; do
    [ -e "$f" ] || { echo "run.sh: missing $f (build both trees first)"; exit 2; }
done
mkdir -p "$logs"
links=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$links"
}
trap cleanup EXIT

# Waits (bounded) until every named link exists.
wait_links() {
    for _ in $(seq 100); do
        local missing=0
        for n in "$@"; do [ -L "$links/$n" ] || missing=1; done
        [ $missing = 0 ] && return 0
        sleep 0.1
    done
    return 1
}

wine_prefix "$prefix" || { echo "run.sh: cannot create the wine prefix"; exit 2; }
for n in COM4 COM5 COM6 COM7; do wine_map_com "$prefix" "$n" "$links/$n"; done
"$peer" "$links" 300 >"$logs/comm_peer.log" 2>&1 & pids+=($!)
# test_win_comm opens every port at 115200 bps, one stop bit: the device answers there.
"$sim" --link "$links" --name COM4 --line 115200,None,1 >"$logs/vq830-sim.log" 2>&1 & pids+=($!)
wait_links COM4 COM5 COM6 COM7 || { echo "run.sh: the peers did not start"; exit 2; }

failed=0
for exe in "$windows"/tests/windows/comm/test_win_comm.exe; do
    name=$(basename "$exe" .exe)
    out=$logs/$name.txt
    rm -f "$out"
    start=$(date +%s)
    wine_run "$prefix" 240 "$preload" -- "$exe" -o "$out,txt" "$@" >"$logs/$name.wine.log" 2>&1
    status=$?
    totals=$(grep -E '^Totals:' "$out" 2>/dev/null || echo "no result (status $status)")
    if [ $status = 0 ]; then verdict=PASS; else verdict=FAIL; failed=1; fi
    echo "$verdict $name: $totals ($(($(date +%s) - start)) s)"
done
exit $failed

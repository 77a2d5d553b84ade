#!/usr/bin/env bash
# windows_bench.sh LINUX_BUILD WINDOWS_BUILD [RUNS]: the Windows programs under wine against the
# Linux build, in the same run, RUNS times each (default 5), medians and ratios:
#   - start-up: from the start to the window drawn on an Xvfb display (vq830-tool.exe under
#     wine against vq830-tool);
#   - a verified write of a whole configuration to vq830-sim (vq830.exe under wine against
#     vq830), the program's start included.
# Needs what tests/windows/run.sh needs (scripts/windows.sh builds both trees).
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/../tests/windows/wine.sh"
linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
runs=${3:-5}
prefix=$windows/wineprefix
preload=$linux/tests/windows/comm/libwine_modem_preload.so
shot=$linux/tests/windows/window/screen_shot
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

Xvfb :97 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=:97 XDG_RUNTIME_DIR=$work
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
"$linux/sim/vq830-sim" --link "$work" --name COM4 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -L "$work/COM4" ] && break; sleep 0.1; done
wine_prefix "$prefix"
wine_map_com "$prefix" COM4 "$work/COM4"
"$linux/cli/vq830" --port "$work/COM4" --quiet read --json >"$work/board.json"

startup_linux() {
  local t0
  t0=$(now_ms)
  QT_QPA_PLATFORM=xcb "$linux/app/vq830-tool" >/dev/null 2>&1 &
  local pid=$!
  "$shot" "$work/linux.png" vq830-tool >/dev/null
  echo $(($(now_ms) - t0))
  kill "$pid"
  wait "$pid" 2>/dev/null
}

startup_wine() {
  local t0
  t0=$(now_ms)
  wine_in_namespace "$prefix" 60 "$preload" sh -c '
      wine "$1" >/dev/null 2>&1 &
      "$2" "$3" vq830-tool.exe >/dev/null; status=$?
      wineserver -k; exit $status' sh "$windows/app/vq830-tool.exe" "$shot" "$work/wine.png"
  echo $(($(now_ms) - t0))
}

write_linux() {
  local t0
  t0=$(now_ms)
  "$linux/cli/vq830" --port "$work/COM4" --quiet write "$work/board.json" || echo "write failed" >&2
  echo $(($(now_ms) - t0))
}

write_wine() {
  local t0
  t0=$(now_ms)
  wine_run "$prefix" 120 "$preload" -- "$windows/cli/vq830.exe" --port COM4 --quiet \
    write "Z:$work/board.json" || echo "write.exe failed" >&2
  echo $(($(now_ms) - t0))
}

report() { # NAME LINUX_FUNCTION WINE_FUNCTION
  local i l=() w=()
  for i in $(seq "$runs"); do
    l+=("$($2)")
    w+=("$($3)")
  done
  local lm wm
  lm=$(printf '%s\n' "${l[@]}" | median)
  wm=$(printf '%s\n' "${w[@]}" | median)
  printf '%-28s Linux %6s ms   wine %6s ms   ratio %s   (runs: Linux %s; wine %s)\n' "$1" \
    "$lm" "$wm" "$(awk -v a="$wm" -v b="$lm" 'BEGIN {printf "%.2f", a / b}')" "${l[*]}" "${w[*]}"
}

report "start-up to a drawn window" startup_linux startup_wine
report "verified write (45 frames)" write_linux write_wine

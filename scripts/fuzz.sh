#!/usr/bin/env bash
# fuzz.sh [SECONDS]: runs every libFuzzer target of the tree for SECONDS each (default 600),
# longer than the short fuzz step of test.sh.
#
# Configures and builds (clang, AddressSanitizer + UndefinedBehaviorSanitizer, optimised with
# debug information) into build-fuzz-long/ every target that the build lists in
# build-fuzz-long/fuzz_targets.txt (vq830_add_fuzz in tests/CMakeLists.txt adds each one), then
# runs them under nice, at most two at a time, each with its dictionary, its checked-in seeds
# (only read) and a corpus kept across runs in build-fuzz-long/corpus/<target>. A finding
# (crash, leak, time-out or out-of-memory input) is saved in build-fuzz-long/findings/<target>/
# with the run's start time in its name (findings of earlier runs stay there until removed, and
# are not counted again), and the full output of a run in build-fuzz-long/logs/<target>.log.
#
# Prints one line per target: executions, final coverage (libFuzzer's cov: covered code edges,
# ft: features), corpus size and findings, then the total executions. Exits non-zero when a
# target has a finding or does not end normally.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-600}"
build="$root/build-fuzz-long"
parallel=2

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVQ830_WITH_QT=OFF \
  -DVQ830_SANITIZE=address -DVQ830_FUZZ=ON >/dev/null
mapfile -t targets < <(grep -v '^$' "$build/fuzz_targets.txt")
if [ "${#targets[@]}" -eq 0 ]; then
  echo "no fuzz targets listed in $build/fuzz_targets.txt" >&2
  exit 1
fi
names=()
for line in "${targets[@]}"; do names+=("${line%%$'\t'*}"); done
nice ninja -C "$build" -j"$parallel" "${names[@]}"

mkdir -p "$build/logs"
stamp="$(date +%Y%m%d-%H%M%S)"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# run_target NAME EXE MAX_LEN DICT SEEDS: one libFuzzer run; its exit status goes to logs/NAME.rc.
run_target() {
  local name="$1" exe="$2" max_len="$3" dict="$4" seeds="$5"
  local corpus="$build/corpus/$name" findings="$build/findings/$name"
  mkdir -p "$corpus" "$findings"
  local rc=0
  nice -n 10 "$exe" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -dict="$dict" -artifact_prefix="$findings/$stamp-" -print_final_stats=1 \
    "$corpus" "$seeds" >"$build/logs/$name.log" 2>&1 || rc=$?
  echo "$rc" >"$build/logs/$name.rc"
}

# Start every target, never more than $parallel at once.
for line in "${targets[@]}"; do
  IFS=$'\t' read -r name exe max_len dict seeds <<<"$line"
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  echo "fuzzing $name for ${seconds}s"
  run_target "$name" "$exe" "$max_len" "$dict" "$seeds" &
done
wait

# report_target NAME: prints its line; returns non-zero on a finding or an abnormal end.
report_target() {
  local name="$1" log="$build/logs/$1.log" rc
  rc="$(cat "$build/logs/$name.rc")"
  local runs speed coverage files bytes findings
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  speed="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
  coverage="$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1)"
  files="$(find "$build/corpus/$name" -type f | wc -l)"
  bytes="$(find "$build/corpus/$name" -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}')"
  findings="$(find "$build/findings/$name" -type f \( -name "$stamp-crash-*" -o \
    -name "$stamp-leak-*" -o -name "$stamp-timeout-*" -o -name "$stamp-oom-*" \) | wc -l)"
  printf '%-18s executions %11s (%6s/s)   %-22s corpus %6s files %8s bytes   findings %s   exit %s\n' \
    "$name" "${runs:-?}" "${speed:-?}" "${coverage:-cov: ? ft: ?}" "$files" "$bytes" "$findings" "$rc"
  total=$((total + ${runs:-0}))
  if [ "$findings" -ne 0 ] || [ "$rc" -ne 0 ]; then
    find "$build/findings/$name" -type f -name "$stamp-*" | sed 's/^/    /'
    return 1
  fi
}

echo
total=0
status=0
for name in "${names[@]}"; do report_target "$name" || status=1; done
echo "total executions: $total"
exit "$status"

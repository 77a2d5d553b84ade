#!/usr/bin/env bash
# line_bench.sh BUILD [BOARDS]: six stations numbering BOARDS boards each (default 100) at the
# same time, each a loop of `vq830 ... serial --next` processes on a simulated device of its
# own, in one run against:
#   1. a counter file per station (`serial --next FILE`, no database: the baseline);
#   2. one SQLite file shared by the six;
#   3. a PostgreSQL 15 server on a Unix socket (started for the run by
#      tests/records/with_postgres.sh).
# Each simulator drops 1 % of its answers (seeded per station), so that numbers are voided. For
# each database: numbers handed out, duplicates, numbers lost (gaps in the line's range that are
# not voided numbers with a record), voided numbers, total time, and the time the database adds
# per board: (a station's time for BOARDS boards on the database - its time on its counter
# file) / BOARDS, the median over the six stations. Six stations, their simulators and the
# server share this machine's cores here, where a line has a PC per station and a server of its
# own: so the same is also measured for one station alone (BOARDS/2 boards on each of the three,
# in turns of 10, no answers dropped), the time a database adds to a station that has its PC
# to itself.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build=$(cd "$1" && pwd)
boards=${2:-100}
vq830=$build/cli/vq830
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null; rm -rf "$work"' EXIT
export VQ830_PORT_DIR=$work/ports XDG_CONFIG_HOME=$work XDG_DATA_HOME=$work
unset VQ830_DB

for n in 1 2 3 4 5 6; do
  "$build/sim/vq830-sim" --link "$work/ports" --name "COM$n" --drop-rate 0.01 --seed "$n" \
    >/dev/null 2>&1 &
  pids+=($!)
done
"$build/sim/vq830-sim" --link "$work/ports" --name COM9 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ "$(ls "$work/ports" 2>/dev/null | wc -l)" = 7 ] && break; sleep 0.1; done

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

station() { # N OUT DB-ARGS...: BOARDS boards; the numbers to OUT, the time in ms to OUT.ms
  local n=$1 out=$2 i t0
  shift 2
  t0=$(now_ms)
  for ((i = 0; i < boards; i++)); do
    "$vq830" --quiet --timeout 300 --port "COM$n" "$@" >>"$out" 2>>"$out.err" || true
  done
  echo $(($(now_ms) - t0)) >"$out.ms"
}

run() { # NAME: six stations at once; ARGS_n gives each station's arguments
  local name=$1 n t0 running=()
  t0=$(now_ms)
  for n in 1 2 3 4 5 6; do
    eval "station $n \"\$work/$name.$n\" \"\${args_$n[@]}\" &"
    running+=($!)
  done
  wait "${running[@]}"
  echo $(($(now_ms) - t0)) >"$work/$name.total"
}

report() { # NAME SQL-COMMAND...: the figures of one database run
  local name=$1
  shift
  local handed dup range void voidrec
  handed=$(cat "$work/$name".[1-6] | grep -c . || true)
  dup=$(cat "$work/$name".[1-6] | sort | uniq -d | wc -l)
  range=$("$@" "SELECT COUNT(*) FROM serials")
  void=$("$@" "SELECT COUNT(*) FROM serials WHERE state = 'void'")
  voidrec=$("$@" "SELECT COUNT(*) FROM serials s JOIN records r ON r.id = s.record_id WHERE s.state = 'void' AND r.outcome <> 'started'")
  local lost=$(("$range" - handed - void))
  local gap=$("$@" "SELECT MAX(serial) - MIN(serial) + 1 - COUNT(*) FROM serials")
  local added=()
  for n in 1 2 3 4 5 6; do
    added+=($((($(cat "$work/$name.$n.ms") - $(cat "$work/file.$n.ms")) * 1000 / boards)))
  done
  printf '| %s | %s | %s | %s (gaps %s) | %s (%s with a record) | %.1f s | %s ms |\n' \
    "$name" "$handed" "$dup" "$lost" "$gap" "$void" "$voidrec" \
    "$(echo "$(cat "$work/$name.total") / 1000" | bc -l)" \
    "$(printf '%s\n' "${added[@]}" | median | awk '{printf "%.1f", $1 / 1000}')"
}

alone() { # NAME DB-ARGS...: 10 boards by one station on COM9, the time in ms added to NAME.alone
  local name=$1 i t0
  shift
  t0=$(now_ms)
  for ((i = 0; i < 10; i++)); do
    "$vq830" --quiet --port COM9 "$@" >/dev/null 2>&1 || true
  done
  echo $(($(now_ms) - t0)) >>"$work/$name.alone"
}

alone_report() { # NAME: ms added per board against the counter file
  local sum base
  sum=$(paste -sd+ "$work/$1.alone" | bc)
  base=$(paste -sd+ "$work/file.alone" | bc)
  echo "scale=1; ($sum - $base) / ($(wc -l <"$work/$1.alone") * 10)" | bc
}

# 1. counter files
for n in 1 2 3 4 5 6; do
  echo $((n * 100000)) >"$work/counter.$n"
  declare -a "args_$n=(serial --next $work/counter.$n)"
done
run file
file_handed=$(cat "$work"/file.[1-6] | grep -c . || true)

# 2. SQLite
sqlite=$work/line.sqlite
"$vq830" --quiet --db "$sqlite" serial --first 1
for n in 1 2 3 4 5 6; do declare -a "args_$n=(--db $sqlite --station S$n serial --next)"; done
run sqlite
sq() { sqlite3 "$sqlite" "$1"; }

echo "six stations x $boards boards at once, each simulator dropping 1 % of its answers"
echo "counter files: $file_handed numbers handed out in $(echo "$(cat "$work/file.total") / 1000" | bc -l | cut -c1-5) s"
echo
echo "| database | handed out | duplicates | lost | voided | total time | added per board (median) |"
echo "|---|---|---|---|---|---|---|"
report sqlite sq

echo 900000 >"$work/counter.9"
"$vq830" --quiet --db "$work/alone.sqlite" serial --first 1
for ((turn = 0; turn < boards / 20; turn++)); do
  alone file serial --next "$work/counter.9"
  alone sqlite1 --db "$work/alone.sqlite" --station A serial --next
done

# 3. PostgreSQL
export work boards vq830 build
VQ830_PG_FSYNC=on "$root/tests/records/with_postgres.sh" bash -c '
  set -euo pipefail
  pg="$VQ830_TEST_PG"
  "$vq830" --quiet --db "$pg" serial --first 1
  '"$(declare -f now_ms median station run report)"'
  for n in 1 2 3 4 5 6; do eval "args_$n=(--db \"\$pg\" --station S$n serial --next)"; done
  run postgres
  pq() { psql -qAt "$pg" -c "$1"; }
  report postgres pq
  '"$(declare -f alone)"'
  psql -qAt "$pg" -c "CREATE DATABASE alone" >/dev/null
  pa="$pg dbname=alone"
  "$vq830" --quiet --db "$pa" serial --first 1
  for ((turn = 0; turn < boards / 20; turn++)); do alone postgres1 --db "$pa" --station A serial --next; done
'
echo
echo "one station alone, $((boards / 2)) boards each (no answers dropped): the database adds per board"
echo "SQLite: $(alone_report sqlite1) ms; PostgreSQL: $(alone_report postgres1) ms (against $(echo "scale=1; $(paste -sd+ "$work/file.alone" | bc) / ($(wc -l <"$work/file.alone") * 10)" | bc) ms a board on the counter file)"

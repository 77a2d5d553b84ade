#!/usr/bin/env bash
# run.sh LINUX_BUILD WINDOWS_BUILD: every test of the Windows build, under wine, against the
# Linux side (simulated devices and peers on pseudo-terminals mapped as COM ports, an Xvfb
# display for the window):
#   - the protocol tests and the configuration-file tests built for Windows, and the port names
#     and open-error explanations as Windows has them;
#   - TComm's Win32 backend (comm/run.sh);
#   - both programs are one file each: they import only Windows' own DLLs and carry Qt's SQLite
#     driver;
#   - vq830.exe read --json, set and a verified write against vq830-sim on COM4, and find over
#     COM9 (missing) and COM5 (a device at 19200 Even 2);
#   - vq830.exe on the line's database: a SQLite file on the C: drive numbers boards on COM4
#     (a Chinese station name included), its records read back, the file read by Linux's
#     sqlite3; a PostgreSQL location is refused (no such driver in the Windows build);
#   - the window: test_window.exe opens COM4, 查询1 fills the page (a screenshot is kept);
#     vq830-tool.exe itself starts and shows its window (a screenshot is kept).
# One line per test; exit status 0 only when all passed. The screenshots and every program's
# output are kept in WINDOWS_BUILD/wine-logs/. Each program is killed after its time limit.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/wine.sh"
[ $# -eq 2 ] || { echo "usage: $0 LINUX_BUILD WINDOWS_BUILD" >&2; exit 2; }
linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
prefix=$windows/wineprefix
logs=$windows/wine-logs
preload=$linux/tests/windows/comm/libwine_modem_preload.so
sim=$linux/sim/vq830-sim
mkdir -p "$logs"
links=$(mktemp -d)
pids=()
failed=0
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$links"
}
trap cleanup EXIT

verdict() { # STATUS NAME DETAIL
  if [ "$1" = 0 ]; then echo "PASS $2: $3"; else echo "FAIL $2: $3"; failed=1; fi
}

# A Qt Test program: its result from -o FILE,txt (wine does not pass a redirected stdout).
qt_test() { # EXE [PRELOAD [NAME=VALUE...]]: the values go into the program's environment
  local exe=$1 preload=${2:-} name out status t0=$SECONDS
  shift $(($# < 2 ? $# : 2))
  name=$(basename "$exe" .exe)
  out=$logs/$name.txt
  rm -f "$out"
  (
    [ $# -eq 0 ] || export "$@"
    wine_run "$prefix" 240 "$preload" -- "$exe" -o "$out,txt"
  ) >"$logs/$name.wine.log" 2>&1
  status=$?
  verdict $status "$name" "$(grep -E '^Totals:' "$out" 2>/dev/null || echo "no result (status $status)") ($((SECONDS - t0)) s)"
}

start_display() {
  local n
  for n in $(seq 90 99); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
    pids+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && return 0; sleep 0.1; done
  done
  return 1
}

start_sim() { # COMn [OPTION...]: a simulated device on COMn
  local name=$1
  shift
  "$sim" --link "$links" --name "$name" --log "$@" >/dev/null 2>"$logs/vq830-sim-$name.log" &
  pids+=($!)
  for _ in $(seq 100); do [ -L "$links/$name" ] && return 0; sleep 0.1; done
  return 1
}

vq830_exe() { # ARGS...: vq830.exe on COM4, its standard output in $logs/vq830.out
  wine_run "$prefix" 120 "$preload" -- "$windows/cli/vq830.exe" --port COM4 --quiet "$@" \
    >"$logs/vq830.out" 2>>"$logs/vq830.err"
}

cli_tests() {
  local t0=$SECONDS json=$windows/wine-logs/board.json
  : >"$logs/vq830.err"
  vq830_exe set mode=2 A=57600,Odd,2 OTM=123 || { verdict 1 vq830.exe "set: $(tail -n 1 "$logs/vq830.err")"; return; }
  vq830_exe read --json || { verdict 1 vq830.exe "read --json: $(tail -n 1 "$logs/vq830.err")"; return; }
  tr -d '\r' <"$logs/vq830.out" >"$json"
  grep -q '"baud": 57600' "$json" || { verdict 1 vq830.exe "read --json lacks what set wrote"; return; }
  vq830_exe set mode=0 A=9600,None,1 OTM=010 || { verdict 1 vq830.exe "second set failed"; return; }
  vq830_exe write "Z:$json" || { verdict 1 vq830.exe "write (verified): $(tail -n 1 "$logs/vq830.err")"; return; }
  vq830_exe read || { verdict 1 vq830.exe "read after write failed"; return; }
  tr -d '\r' <"$logs/vq830.out" | grep -qx 'A=57600,Odd,2' || { verdict 1 vq830.exe "the device does not hold what write wrote"; return; }
  wine_run "$prefix" 60 -- "$windows/cli/vq830.exe" --port COM9 read >/dev/null 2>"$logs/vq830.err"
  local status=$?
  [ $status = 3 ] && grep -q 'COM9 does not exist' "$logs/vq830.err" ||
    { verdict 1 vq830.exe "a missing COM9: status $status, $(tr '\n' ' ' <"$logs/vq830.err")"; return; }
  wine_run "$prefix" 120 "$preload" -- "$windows/cli/vq830.exe" find --port COM9 --port COM5 \
    >"$logs/vq830.out" 2>"$logs/vq830.err"
  status=$?
  [ $status = 0 ] && [ "$(tr -d '\r' <"$logs/vq830.out")" = "$(printf 'COM5\t19200\tEven\t2')" ] ||
    { verdict 1 vq830.exe "find: status $status, $(tr '\n\t' ' ' <"$logs/vq830.out") $(tail -n 2 "$logs/vq830.err" | tr '\n' ' ')"; return; }
  verdict 0 vq830.exe "set, read --json, write (verified) and read against vq830-sim on COM4; a missing COM9 explained, status 3; find names COM5 at 19200 Even 2 ($((SECONDS - t0)) s)"
}

# vq830.exe in a Chinese locale writing to a pipe: its Chinese explanation as UTF-8 (a console
# gets wide characters: test_console_text.exe).
console_test() {
  qt_test "$windows/tests/windows/cli/test_console_text.exe"
  LANG=zh_CN.UTF-8 wine_run "$prefix" 60 -- "$windows/cli/vq830.exe" --port COM9 read \
    >/dev/null 2>"$logs/vq830-zh.err"
  grep -q 'COM9 不存在' "$logs/vq830-zh.err"
  verdict $? "vq830.exe to a pipe" "a Chinese explanation as UTF-8: $(head -c 200 "$logs/vq830-zh.err" | tr '\r\n' '  ')"
}

# The installer in a fresh wine prefix: an earlier version first, in a folder of its own, then
# this one silently over it; the files, the Start-menu shortcuts and the uninstall entry; the
# installed programs run; a silent uninstall leaves nothing of ours but the user's settings.
# Then the same for the current user only (/CurrentUser).
installer_tests() {
  local version setup earlier=$windows/vq830-setup-earlier.exe p=$windows/wineprefix-installer
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$windows/CMakeCache.txt")
  setup=$(dirname "$windows")/dist/vq830-setup-$version-x86_64.exe
  [ -f "$setup" ] && [ -f "$earlier" ] || { verdict 1 installer "no installer built"; return; }
  rm -rf "$p" && wine_prefix "$p" || { verdict 1 installer "no fresh wine prefix"; return; }
  installer_round "$p" "$setup" "$version" "$earlier" "C:\\Program Files\\VQ830" "$p/drive_c/Program Files/VQ830" \
    "$p/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VQ830-A(B)" HKLM ""
  installer_round "$p" "$setup" "$version" "" "C:\\users\\$(id -un)\\AppData\\Local\\Programs\\VQ830" \
    "$p/drive_c/users/$(id -un)/AppData/Local/Programs/VQ830" \
    "$p/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/VQ830-A(B)" HKCU /CurrentUser
}

installer_round() { # PREFIX SETUP VERSION EARLIER WINDIR DIR MENU ROOT [OPTION]
  local p=$1 setup=$2 version=$3 earlier=$4 windir=$5 dir=$6 menu=$7 root=$8 option=${9:-}
  local t0=$SECONDS bad=
  local key="$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\vq830"
  if [ -n "$earlier" ]; then
    wine_in_namespace "$p" 120 "" sh -c 'wine "$1" /S "$2"; wineserver -w' sh "$earlier" \
      '/D=C:\vq830-earlier'
    [ -f "$p/drive_c/vq830-earlier/vq830.exe" ] || bad+=" the earlier version was not installed;"
    # While the earlier version's window is open its files cannot be removed: the setup stops
    # (status 2) and leaves the earlier version whole.
    wine_in_namespace "$p" 120 "" sh -c '
        wine "$1" >/dev/null 2>&1 &
        "$2" "$3" vq830-tool.exe >/dev/null || exit 10
        wine "$4" /S; status=$?
        wineserver -k; exit $status' sh 'C:\vq830-earlier\vq830-tool.exe' \
      "$linux/tests/windows/window/screen_shot" "$logs/earlier-running.png" "$setup"
    local status=$?
    [ "$status" = 2 ] || bad+=" setup over the running earlier version: status $status (2 expected);"
    [ -f "$p/drive_c/vq830-earlier/vq830-tool.exe" ] && [ -f "$p/drive_c/vq830-earlier/vq830.exe" ] ||
      bad+=" the running earlier version was taken apart;"
  fi
  local t1=$SECONDS
  wine_in_namespace "$p" 180 "" sh -c 'wine "$1" /S $2; wineserver -w' sh "$setup" "$option"
  local install_s=$((SECONDS - t1))
  [ -z "$earlier" ] || [ ! -e "$p/drive_c/vq830-earlier" ] || bad+=" the earlier version was left;"
  for f in vq830.exe vq830-tool.exe README.txt uninstall.exe; do
    [ -f "$dir/$f" ] || bad+=" no $f;"
  done
  [ -f "$menu/VQ830-A(B) 智能分配器.lnk" ] && [ -f "$menu/vq830 命令行.lnk" ] || bad+=" no Start-menu shortcuts;"
  wine_run "$p" 60 -- reg query "$key" /v DisplayVersion >"$logs/installer-reg.out" 2>&1
  grep -q "DisplayVersion.*$version" "$logs/installer-reg.out" ||
    bad+=" no uninstall entry of this version;"
  wine_run "$p" 60 -- "$windir\\vq830.exe" --version >"$logs/installer-version.out" 2>&1
  grep -q '^vq830 ' "$logs/installer-version.out" || bad+=" the installed vq830.exe --version: $(head -c 100 "$logs/installer-version.out");"
  wine_in_namespace "$p" 120 "" sh -c '
      wine "$1" >/dev/null 2>&1 &
      "$2" "$3" vq830-tool.exe >"$3.start"; status=$?
      wineserver -k; exit $status' sh "$windir\\vq830-tool.exe" \
    "$linux/tests/windows/window/screen_shot" "$logs/installed-$root.png" ||
    bad+=" the installed vq830-tool.exe drew no window;"
  wine_run "$p" 60 -- reg add 'HKCU\Software\vq830\vq830-tool' /v language /d en /f >/dev/null 2>&1
  t1=$SECONDS
  wine_in_namespace "$p" 120 "" sh -c 'wine "$1" /S; wineserver -w' sh "$windir\\uninstall.exe"
  local uninstall_s=$((SECONDS - t1))
  [ ! -e "$dir" ] || bad+=" $dir left;"
  [ ! -e "$menu" ] || bad+=" the Start-menu folder left;"
  wine_run "$p" 60 -- reg query "$key" >/dev/null 2>&1 && bad+=" the uninstall entry left;"
  wine_run "$p" 60 -- reg query 'HKCU\Software\vq830\vq830-tool' /v language >/dev/null 2>&1 ||
    bad+=" the user's settings went too;"
  [ -z "$bad" ]
  verdict $? "installer ($root${option:+ $option})" "${bad:-installed in ${install_s} s${earlier:+ over an earlier version (refused with status 2 while it ran)}, files, shortcuts and uninstall entry present, vq830.exe --version and vq830-tool.exe ran, uninstalled in ${uninstall_s} s leaving only the settings of the user} ($((SECONDS - t0)) s)"
}

# The programs as shipped: nothing to install beside them (no DLL of the compiler's runtime, of
# Qt or of SQLite), and the SQLite driver linked in (a static Qt has no plugin folder).
program_files_test() {
  local exe dlls bad=
  for exe in "$windows/cli/vq830.exe" "$windows/app/vq830-tool.exe"; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
    printf '%s\n' "$dlls" >"$logs/$(basename "$exe" .exe).dlls"
    if grep -qiE '^(lib|qt|sqlite)' <<<"$dlls"; then
      bad+=" $(basename "$exe") imports $(grep -iE '^(lib|qt|sqlite)' <<<"$dlls" | tr '\n' ' ');"
    fi
    # grep reads all of nm's output (-q would stop early, and pipefail take nm's SIGPIPE).
    x86_64-w64-mingw32-nm "$exe" | grep ' T _Z36qt_static_plugin_QSQLiteDriverPluginv$' >/dev/null ||
      bad+=" $(basename "$exe") lacks the QSQLITE driver;"
  done
  [ -z "$bad" ]
  verdict $? "Windows programs" "${bad:-vq830.exe and vq830-tool.exe import only system DLLs and carry the QSQLITE driver}"
}

# vq830.exe on a SQLite file in the wine prefix's C: drive, named by its Windows path. Arguments
# and names go through a UTF-8 locale, so that the Chinese station name reaches the program as
# typed; records --json writes UTF-8 whatever the console's code page.
line_exe() { # ARGS...: vq830.exe, its standard output in $logs/line-db.out
  LC_ALL=C.UTF-8 wine_run "$prefix" 120 "$preload" -- "$windows/cli/vq830.exe" --quiet "$@" \
    >"$logs/line-db.out" 2>>"$logs/line-db.err"
}

line_db_test() {
  local t0=$SECONDS dir=$prefix/drive_c/vq830-line db='C:\vq830-line\line.sqlite' out got
  local cn=工位一 op=张工 station
  rm -rf "$dir"
  : >"$logs/line-db.err"
  line_exe --db "$db" --station W1 --operator T1 serial --first 500 ||
    { verdict 1 "vq830.exe --db" "serial --first 500: $(tail -n 1 "$logs/line-db.err")"; return; }
  [ -f "$dir/line.sqlite" ] || { verdict 1 "vq830.exe --db" "no file $dir/line.sqlite"; return; }
  out=
  for station in W1 W1 "$cn"; do
    line_exe --db "$db" --station "$station" --operator "$op" --port COM4 serial --next --tester 042 ||
      { verdict 1 "vq830.exe --db" "serial --next at $station: $(tail -n 1 "$logs/line-db.err")"; return; }
    out+="$(tr -d '\r' <"$logs/line-db.out") "
  done
  [ "$out" = "00000500 00000501 00000502 " ] ||
    { verdict 1 "vq830.exe --db" "serial --next printed '$out' (00000500 00000501 00000502 expected)"; return; }
  line_exe --db "$db" records --json ||
    { verdict 1 "vq830.exe --db" "records --json: $(tail -n 1 "$logs/line-db.err")"; return; }
  tr -d '\r' <"$logs/line-db.out" >"$logs/line-db.jsonl"
  # One line a record, its keys sorted as Qt writes them; each ended, with a start.
  got=$(sed -n 's/^{.*"ended":"[^"]\{1,\}",.*"operator":"\([^"]*\)","outcome":"\([^"]*\)","port":"[^"]*","serial":"\([^"]*\)","serial_before":[^,]*,"started":"[^"]\{1,\}","station":"\([^"]*\)",.*}$/\3 \4 \2 \1/p' \
    "$logs/line-db.jsonl" | tr '\n' ';')
  [ "$(wc -l <"$logs/line-db.jsonl")" = 3 ] && [ "$got" = "00000500 W1 passed $op;00000501 W1 passed $op;00000502 $cn passed $op;" ] ||
    { verdict 1 "vq830.exe --db" "records --json: '$got' from $(wc -l <"$logs/line-db.jsonl") line(s)"; return; }
  # The same file as Linux's SQLite reads it.
  got="$(sqlite3 -batch "$dir/line.sqlite" "PRAGMA journal_mode;
    SELECT group_concat(serial || ':' || state, ' ') FROM (SELECT * FROM serials ORDER BY serial);
    SELECT station || '/' || operator FROM records WHERE serial_after = '00000502';" 2>&1 | tr '\n' ' ')"
  [ "$got" = "wal 500:written 501:written 502:written $cn/$op " ] ||
    { verdict 1 "vq830.exe --db" "Linux's sqlite3 reads: $got"; return; }
  verdict 0 "vq830.exe --db" "C:\\vq830-line\\line.sqlite: serial --first 500, serial --next printed 00000500 00000501 (W1) 00000502 ($cn) against COM4, records --json lists them passed, Linux's sqlite3 reads wal, 500 501 502 written and $cn/$op ($((SECONDS - t0)) s)"
}

# A PostgreSQL location on Windows: Qt's PostgreSQL driver is not in the build, which is said
# (status 6, nothing sent).
line_db_postgres_test() {
  local t0=$SECONDS status
  : >"$logs/line-db.err"
  line_exe --db 'postgresql://line@db.invalid/line' --station W1 --port COM4 serial --next
  status=$?
  [ $status = 6 ] && grep -q 'QPSQL is not installed' "$logs/line-db.err"
  verdict $? "vq830.exe --db postgresql://" "status $status: $(grep -m1 'QPSQL' "$logs/line-db.err" || tail -n 1 "$logs/line-db.err") ($((SECONDS - t0)) s)"
}

# Two stations share a counter file: the first (COM8, a device answering 2 s late) holds the
# lock while it waits, so the second (COM4) takes the next number, not the same one.
counter_test() {
  local counter=$logs/next-serial t0=$SECONDS
  printf '100\n' >"$counter"
  wine_in_namespace "$prefix" 120 "$preload" sh -c '
      wine "$1" --port COM8 --timeout 10000 --quiet serial --next "Z:$2" --tester 7 >"$3/first.out" 2>&1 &
      first=$!
      for _ in $(seq 300); do grep -q "rx " "$3/vq830-sim-COM8.log" && break; sleep 0.05; done
      wine "$1" --port COM4 --quiet serial --next "Z:$2" --tester 7 >"$3/second.out" 2>&1
      second=$?
      wait $first; first=$?
      wineserver -k
      [ $first = 0 ] && [ $second = 0 ]' sh "$windows/cli/vq830.exe" "$counter" "$logs"
  local status=$? got
  got="$(tr -d '\r' <"$logs/first.out" | tr '\n' ' ')/ $(tr -d '\r' <"$logs/second.out" | tr '\n' ' ')/ $(tr -d '\r\n' <"$counter")"
  [ $status = 0 ] && [ "$got" = "100 / 101 / 102" ]
  verdict $? "vq830.exe serial --next" "two stations took $got (100 / 101 / 102 expected: the counter locked while in use) ($((SECONDS - t0)) s)"
}

window_tests() {
  # The page must show what the device holds, not the window's defaults.
  "$linux/cli/vq830" --port "$links/COM4" --quiet set mode=1 Z=115200,Even,2 OTM=007 RTM=250 \
    || { verdict 1 test_window "the simulator could not be set"; return; }
  qt_test "$windows/tests/windows/window/test_window.exe" "$preload" \
    "VQ830_SCREENSHOT=Z:$logs/window-after-query1.png"
  local t0=$SECONDS
  wine_in_namespace "$prefix" 120 "$preload" sh -c '
      wine "$1" >"$3/vq830-tool.wine.log" 2>&1 &
      "$2" "$3/vq830-tool.png" vq830-tool.exe >"$3/vq830-tool.start"; status=$?
      wineserver -k; exit $status' sh "$windows/app/vq830-tool.exe" \
    "$linux/tests/windows/window/screen_shot" "$logs"
  verdict $? vq830-tool.exe "started under wine, $(cat "$logs/vq830-tool.start" 2>/dev/null) ($logs/vq830-tool.png)"
}

for f in "$preload" "$sim" "$linux/tests/windows/window/screen_shot" "$windows/cli/vq830.exe" \
  "$windows/app/vq830-tool.exe"; do
  [ -e "$f" ] || { echo "run.sh: missing $f (build both trees first)"; exit 2; }
done
wine_prefix "$prefix" || { echo "run.sh: cannot create the wine prefix"; exit 2; }
start_display || { echo "run.sh: no Xvfb display"; exit 2; }

program_files_test
for exe in "$windows"/tests/protocol/*.exe; do qt_test "$exe"; done
qt_test "$windows/tests/windows/ports/test_open_errors.exe"
qt_test "$windows/tests/windows/window/test_config_files.exe"
"$here/comm/run.sh" "$linux" "$windows" || failed=1

start_sim COM4 && start_sim COM8 --delay 2000 && start_sim COM5 --line 19200,Even,2 || { echo "run.sh: the simulators did not start"; exit 2; }
wine_map_com "$prefix" COM4 "$links/COM4"
wine_map_com "$prefix" COM8 "$links/COM8"
wine_map_com "$prefix" COM5 "$links/COM5"
cli_tests
counter_test
line_db_test
line_db_postgres_test
window_tests
console_test
installer_tests
exit $failed

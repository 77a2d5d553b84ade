#!/usr/bin/env bash
# checks.sh BUILD_DIR RESULTS: the driver checks, run in the guest by init.sh. Each check
# appends one line "check N PASS: ..." or "check N FAIL: ..." to RESULTS/checks.txt; the rest
# of what was seen goes to standard output (RESULTS/guest.log).
set -u
build="$1"
results="$2"
here="$(cd "$(dirname "$0")" && pwd)"
export VQ830_RESULTS="$results"
vq830="$build/cli/vq830"
probe="$build/tests/drivers/drivers_probe"
window="$build/tests/drivers/window_driver"
trace="$results/trace.log"
usb=/dev/ttyUSB0
uart=/dev/ttyS1
by_id=/dev/serial/by-id/usb-QEMU_QEMU_USB_SERIAL_RIG00001-if00-port0

why=""
summary=""
no() { why="$*"; return 1; }
run_check() { # N NAME FUNCTION
  local n="$1" name="$2" t0=$SECONDS line
  echo "==== check $n: $name"
  why="" summary=""
  if "$3"; then
    line="check $n PASS: $name: $summary"
  else
    line="check $n FAIL: $name: $why"
  fi
  echo "$line ($((SECONDS - t0)) s)" | tee -a "$results/checks.txt"
}
mark() { "$probe" size "$trace"; }
chip() { # OFFSET CHIP FIELD: raises, lines or rates seen by the chip since OFFSET
  "$probe" trace "$trace" "$1" "$2" | awk -v f="$3" '$1 == f {$1 = ""; sub(/^ /, ""); print}'
}
ms_since() { echo $(((${EPOCHREALTIME/./} - $1) / 1000)); }

check_listing() {
  local listed
  "$vq830" ports | tee /tmp/ports.txt
  listed="$(awk -F'\t' -v p="$by_id" '$1 == p' /tmp/ports.txt)"
  [ -n "$listed" ] || no "vq830 ports does not list $by_id" || return
  awk -F'\t' '$2 != "" && $3 == "RIG00001" && $4 == "0403:6001" {ok = 1} END {exit !ok}' \
    <<<"$listed" || no "vq830 ports: '$listed' lacks the description, serial or VID:PID" || return
  "$window" list "$by_id" RIG00001 0403:6001 || no "the window's SPREALCOM list: see guest.log" || return
  summary="vq830 ports: $(tr '\t' ' ' <<<"$listed"); SPREALCOM lists it after COM1-COM12 with its tooltip"
}

# set, read --json, set other values, write the file (verified), read: on one device.
read_set_write() { # DEVICE
  local d="$1" json=/tmp/board.json
  "$vq830" --port "$d" --quiet set mode=2 A=57600,Odd,2 OTM=123 slot3.header=0A,0B,0C ||
    no "$d: set failed" || return
  "$vq830" --port "$d" --quiet read --json >"$json" || no "$d: read --json failed" || return
  grep -q '"baud": 57600' "$json" || no "$d: read --json lacks the settings just set" || return
  "$vq830" --port "$d" --quiet set mode=0 A=9600,None,1 OTM=010 || no "$d: second set failed" || return
  "$vq830" --port "$d" --quiet write "$json" || no "$d: write (verified) failed" || return
  "$vq830" --port "$d" --quiet read >/tmp/after.txt || no "$d: read after write failed" || return
  grep -qx 'A=57600,Odd,2' /tmp/after.txt && grep -qx 'OTM=123' /tmp/after.txt ||
    no "$d: the board does not hold what write wrote" || return
  summary+="${summary:+; }$d: set, read --json, write verified, read back"
}
check_read_write() { read_set_write "$usb" && read_set_write "$uart"; }

check_baud_rates() {
  local r at out rate
  for r in 9600 115200 14400 250000; do
    at="$(mark)"
    out="$("$probe" baud "$usb" "$r")" || no "$usb at $r: $out" || return
    rate="$(chip "$at" ftdi rates | awk '{print $NF}')"
    echo "$usb at $r: $out, chip $rate"
    [ "$out" = "driver $r" ] || no "$usb at $r: TCGETS2 reads '$out'" || return
    awk -v a="$r" -v b="${rate:-0}" 'BEGIN {exit !(b >= a * 0.98 && b <= a * 1.02)}' ||
      no "$usb at $r: the chip was programmed for '${rate}'" || return
    summary+="FTDI $r (chip $rate); "
  done
  "$probe" baud "$uart" 9600 || no "$uart at 9600 refused" || return
  at="$(mark)"
  if out="$("$probe" baud "$uart" 250000)"; then
    no "$uart took 250000: $out"
    return
  fi
  echo "$uart at 250000: $out"
  [ "$out" = "refused: Unable to apply line settings" ] || no "$uart at 250000: '$out'" || return
  rate="$(chip "$at" uart rates | awk '{print $NF}')"
  out="$("$probe" rate "$uart")"
  echo "$uart afterwards: $out, chip $rate"
  [ "$out" = "driver 9600" ] && [ "$rate" = 9600 ] ||
    no "$uart after the refusal: $out, chip $rate (9600 expected)" || return
  summary+="16550 250000 refused, 9600 still in force (driver and chip)"
}

check_modem_lines() {
  local c at raises
  "$window" lines "$usb" "$trace" ftdi || no "COM_DTR/COM_RTS on $usb: see guest.log" || return
  "$window" lines "$uart" "$trace" uart || no "COM_DTR/COM_RTS on $uart: see guest.log" || return
  for c in "$usb ftdi" "$uart uart"; do
    set -- $c
    at="$(mark)"
    "$vq830" --port "$1" --quiet read >/dev/null || no "vq830 read on $1 failed" || return
    raises="$(chip "$at" "$2" raises)"
    echo "vq830 read on $1: $raises raise(s) of DTR/RTS at the chip; lines $(chip "$at" "$2" lines)"
    [ "$raises" = 1 ] || no "vq830 on $1: $raises raises of DTR/RTS (1, the kernel's, expected)" || return
  done
  summary="4 combinations reach both chips and read back; vq830 opens with the kernel's raise only"
}

check_unplug_window() {
  "$window" replug "$by_id" 5 "$here/request.sh" || no "see guest.log" || return
  summary="5 cycles on $by_id: gone said, reconnected, 查询1 answered; descriptors and threads unchanged"
}

holds() { [ -n "$(find "/proc/$1/fd" -lname "$2" 2>/dev/null)" ]; } # PID DEVICE
wait_for() { # TENTHS COMMAND...: until the command succeeds, at most TENTHS tenths of a second
  local n="$1" i
  shift
  for i in $(seq "$n"); do "$@" && return 0; sleep 0.1; done
  return 1
}
gone() { ! kill -0 "$1" 2>/dev/null; }

# The adapter, wired to a device that answers 3 s late, pulled while vq830 read awaits an answer.
check_unplug_read() {
  local pid t0 status took
  "$here/request.sh" unplug && "$here/request.sh" replug-slow || no "the host did not swap the device" || return
  wait_for 300 test -e "$usb" || no "$usb did not come back" || return
  udevadm settle --timeout=30
  "$vq830" --port "$usb" --timeout 10000 read >/tmp/read.out 2>/tmp/read.err &
  pid=$!
  wait_for 100 holds "$pid" "$usb" || no "vq830 read did not open $usb" || return
  "$here/request.sh" unplug || no "the host did not unplug the adapter" || return
  t0="${EPOCHREALTIME/./}"
  wait_for 150 gone "$pid"
  took="$(ms_since "$t0")"
  kill "$pid" 2>/dev/null
  wait "$pid"
  status=$?
  cat /tmp/read.err
  [ "$status" = 5 ] || no "exit status $status after $took ms (5 expected): $(tail -n 1 /tmp/read.err)" || return
  grep -q "went away" /tmp/read.err || no "no 'went away' in: $(tail -n 1 /tmp/read.err)" || return
  [ "$took" -le 3000 ] || no "ended $took ms after the unplug (3000 at most)" || return
  summary="exit 5 after $took ms: $(grep -m 1 "went away" /tmp/read.err)"
}

# Two boards whose main ports run at other settings than 9600 None 1: the adapter is plugged
# back wired to a device at 57600 None 2; the 16550's device is told to use 19200 Even 1 and
# restarted (the setting takes effect on the restart). vq830 find names each with its settings;
# parity does not reach the far end of QEMU's link, so Even is what the device's reply named and
# the search confirmed.
check_find() {
  local t0 took
  "$here/request.sh" replug-find || no "the host did not plug the adapter back" || return
  wait_for 300 test -e "$usb" || no "$usb did not come back" || return
  udevadm settle --timeout=30
  "$vq830" --port "$uart" --quiet set Z=19200,Even,1 || no "vq830 set Z on $uart failed" || return
  "$here/request.sh" restart-uart || no "the host did not restart the 16550's device" || return
  t0="${EPOCHREALTIME/./}"
  XDG_CONFIG_HOME=/tmp/find-config "$vq830" find --port "$usb" --port "$uart" >/tmp/find.out 2>/tmp/find.err
  local status=$?
  took="$(ms_since "$t0")"
  grep -v trying /tmp/find.err
  cat /tmp/find.out
  [ "$status" = 0 ] || no "vq830 find: exit status $status: $(tail -n 1 /tmp/find.err)" || return
  printf '%s\t57600\tNone\t2\n%s\t19200\tEven\t1\n' "$usb" "$uart" | cmp -s - /tmp/find.out ||
    no "vq830 find printed: $(tr '\t\n' ' ;' </tmp/find.out)" || return
  summary="in $took ms: $(tr '\t\n' ' ;' </tmp/find.out)"
}

: >"$results/checks.txt"
echo "guest: $(uname -r), $(nproc) CPUs"
run_check 1 "ports listed" check_listing
run_check 2 "read, set, write" check_read_write
run_check 3 "baud rates" check_baud_rates
run_check 4 "DTR/RTS" check_modem_lines
run_check 5 "unplug in the window" check_unplug_window
run_check 6 "unplug during vq830 read" check_unplug_read
run_check 7 "find the device" check_find

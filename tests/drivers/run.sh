#!/usr/bin/env bash
# run.sh BUILD_DIR: the tool on real kernel serial drivers. Boots Debian 12's own kernel under
# QEMU with an emulated FTDI USB adapter (ftdi_sio) and an emulated 16550A (8250), each wired to
# a vq830-sim on this machine, runs the checks of checks.sh in the guest with the build in
# BUILD_DIR, and prints one line per check. Exit status 0 only when every check passed.
# See README.md in this folder.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
build="$(cd "$1" && pwd)"
limit="${VQ830_DRIVERS_LIMIT:-900}" # seconds for the guest and its checks
# A hard limit on the whole stage, kernel download included: fail, never hang.
if [ -z "${VQ830_DRIVERS_TIMED:-}" ]; then
  VQ830_DRIVERS_TIMED=1 exec timeout -k 10 $((limit + 300)) "$0" "$build"
fi
cache="${VQ830_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/vq830}"
work="$build/drivers"
checks=(1 2 3 4 5 6 7)
started=$SECONDS

log() { printf 'drivers: %s\n' "$*"; }
die() { log "$*"; exit 1; }

for tool in qemu-system-x86_64 busybox cpio dpkg-deb apt-get; do
  command -v "$tool" >/dev/null || die "$tool missing: run scripts/setup.sh"
done
for program in cli/vq830 sim/vq830-sim tests/drivers/drivers_probe tests/drivers/window_driver; do
  [ -x "$build/$program" ] || die "$build/$program missing: build the tree first"
done

# --- the kernel: the version Debian's linux-image-amd64 depends on now, unpacked, cached ---
kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ {print $2; exit}'
}
fetch_kernel() {
  local package
  package="$(kernel_package)"
  if [ -z "$package" ]; then
    apt-get update -qq >/dev/null || true
    package="$(kernel_package)"
  fi
  [ -n "$package" ] || die "the archive offers no linux-image-amd64"
  abi="${package#linux-image-}"
  kdir="$cache/kernel/$abi"
  log "kernel $package $(apt-cache show --no-all-versions "$package" 2>/dev/null | awk '/^Version:/ {print $2}')"
  if [ -f "$kdir/complete" ]; then
    log "kernel cached in $kdir"
    return
  fi
  local t0=$SECONDS tmp
  tmp="$(mktemp -d)"
  (cd "$tmp" && apt-get download -qq "$package" 2>/dev/null) || die "apt-get download $package failed"
  rm -rf "$kdir" && mkdir -p "$kdir"
  dpkg-deb -x "$tmp"/*.deb "$kdir/root"
  rm -rf "$tmp"
  cp "$kdir/root/boot/vmlinuz-$abi" "$kdir/vmlinuz"
  busybox depmod -b "$kdir/root" "$abi"
  touch "$kdir/complete"
  log "kernel fetched and unpacked in $((SECONDS - t0)) s"
}

# The modules to load, each after the ones it depends on (busybox's insmod resolves nothing).
module_order() {
  local dep="$kdir/root/lib/modules/$abi/modules.dep" seen=" " out=()
  visit() {
    local name="$1" path deps d
    path="$(awk -F: -v n="/$name.ko" 'substr($1, length($1) - length(n) + 1) == n {print $1; exit}' "$dep")"
    [ -n "$path" ] || die "module $name not in $abi"
    case "$seen" in *" $path "*) return ;; esac
    seen+="$path "
    deps="$(awk -F': *' -v p="$path" '$1 == p {print $2}' "$dep")"
    for d in $deps; do visit "$(basename "$d" .ko)"; done
    out+=("$path")
  }
  # virtio_ring first: virtio needs it although the list does not say so.
  for m in virtio_ring virtio virtio_pci 9pnet_virtio 9p xhci-pci ftdi_sio; do visit "$m"; done
  printf '%s\n' "${out[@]}"
}

make_initramfs() {
  local dir="$work/initramfs" m
  rm -rf "$dir" && mkdir -p "$dir"/{bb,modules,proc,sys,dev,tmp,run,var,usr,etc}
  cp "$(command -v busybox)" "$dir/bb/busybox"
  ln -s busybox "$dir/bb/sh"
  for m in bin sbin lib lib64; do ln -s "usr/$m" "$dir/$m"; done
  cp "$here/init.sh" "$dir/init"
  chmod +x "$dir/init"
  : >"$dir/modules/order"
  for m in $(module_order); do
    cp "$kdir/root/lib/modules/$abi/$m" "$dir/modules/"
    basename "$m" >>"$dir/modules/order"
  done
  mkdir -p "$dir$root" "$dir$build" "$dir$work"
  (cd "$dir" && find . | cpio -o -H newc --quiet) >"$work/initramfs.cpio"
}

# --- the simulated devices and the virtual machine ---
pids=()
declare -A sim_pids
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'log "stopped"; exit 124' TERM INT

start_sim() { # NAME [OPTION...]: a simulator whose pseudo-terminal QEMU opens as a port's far end
  local name="$1"
  shift
  "$build/sim/vq830-sim" --link "$work/sims" --name "$name" --log --exit-with-parent "$@" 2>"$work/sim-$name.log" >/dev/null &
  pids+=($!)
  sim_pids[$name]=$!
  local i
  for i in $(seq 100); do [ -e "$work/sims/$name" ] && return; sleep 0.1; done
  die "the simulator $name did not start"
}

monitor() { # COMMAND: one command to QEMU's monitor
  echo "$*" >"$work/mon.in"
  log "monitor: $*" >&2
}

usb_adapter="usb-serial,id=ftdi,bus=xhci.0,port=1,serial=RIG00001,chardev"

start_qemu() {
  rm -f "$work/mon.in" "$work/mon.out"
  mkfifo "$work/mon.in" "$work/mon.out"
  qemu-system-x86_64 -name vq830-drivers -nodefaults -no-user-config -nographic -no-reboot \
    -accel tcg,thread=multi -cpu max -smp 2 -m 2048 \
    -kernel "$kdir/vmlinuz" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS0 panic=-1 quiet vq830_tree=$root vq830_build=$build vq830_results=$work/results" \
    -serial "file:$work/console.log" \
    -chardev "serial,id=uartsim,path=$(readlink "$work/sims/uart")" -serial chardev:uartsim \
    -device qemu-xhci,id=xhci \
    -chardev "serial,id=usbsim,path=$(readlink "$work/sims/usb")" -device "$usb_adapter=usbsim" \
    -chardev "serial,id=slowsim,path=$(readlink "$work/sims/slow")" \
    -chardev "serial,id=findsim,path=$(readlink "$work/sims/find")" \
    -virtfs local,path=/usr,mount_tag=usr,security_model=none,readonly=on \
    -virtfs local,path=/etc,mount_tag=etc,security_model=none,readonly=on \
    -virtfs "local,path=$root,mount_tag=tree,security_model=none,readonly=on" \
    -virtfs "local,path=$build,mount_tag=build,security_model=none,readonly=on" \
    -virtfs "local,path=$work/results,mount_tag=results,security_model=none" \
    -monitor "pipe:$work/mon" \
    -msg timestamp=on -D "$work/results/trace.log" \
    -trace 'usb_serial_*' -trace serial_write -trace serial_update_parameters \
    >"$work/qemu.log" 2>&1 &
  qemu_pid=$!
  pids+=($qemu_pid)
  cat "$work/mon.out" >"$work/monitor.log" &
  pids+=($!)
}

# --- requests from the guest: files req.N in the shared folder, answered by ack.N ---
serve() { # REQUEST: what the guest asked for
  case "$1" in
    unplug) monitor "device_del ftdi" ;;
    replug) monitor "device_add $usb_adapter=usbsim" ;;
    replug-slow) monitor "device_add $usb_adapter=slowsim" ;; # a device that answers late
    replug-find) monitor "device_add $usb_adapter=findsim" ;; # a device at 57600 None 2
    restart-uart) kill -USR1 "${sim_pids[uart]}" ;; # its main-port setting takes effect
    *) echo "unknown request" ; return ;;
  esac
  echo ok
}

serve_guest() {
  local mbox="$work/results/mbox" req n
  while kill -0 "$qemu_pid" 2>/dev/null; do
    if [ $((SECONDS - started)) -ge "$limit" ]; then
      log "time limit of $limit s reached: stopping the guest"
      kill "$qemu_pid" 2>/dev/null || true
      return 1
    fi
    for req in "$mbox"/req.*; do
      [ -e "$req" ] || continue
      n="${req##*.}"
      serve "$(cat "$req")" >"$mbox/ack.tmp"
      mv "$mbox/ack.tmp" "$mbox/ack.$n"
      rm -f "$req"
    done
    sleep 0.05
  done
}

report() {
  local results="$work/results/checks.txt" n line failed=0
  for n in "${checks[@]}"; do
    line="$(grep "^check $n " "$results" 2>/dev/null | tail -1 || true)"
    [ -n "$line" ] || line="check $n FAIL: not run"
    echo "$line"
    case "$line" in "check $n PASS"*) ;; *) failed=1 ;; esac
  done
  return $failed
}

rm -rf "$work" && mkdir -p "$work/results/mbox" "$work/sims"
fetch_kernel
make_initramfs
start_sim usb
start_sim uart
start_sim slow --delay 3000
start_sim find --line 57600,None,2
t0=$SECONDS
start_qemu
log "guest started (QEMU $(qemu-system-x86_64 --version | awk 'NR == 1 {print $4}'), TCG, 2 CPUs)"
serve_guest || true
log "guest ended after $((SECONDS - t0)) s; stage $((SECONDS - started)) s"
if report; then
  log "all checks passed"
  exit 0
fi
log "failed; the guest's console, its checks' log and QEMU's trace are kept in $work"
tail -n 30 "$work/console.log" 2>/dev/null | sed 's/^/console: /' || true
tail -n 40 "$work/results/guest.log" 2>/dev/null | sed 's/^/guest: /' || true
exit 1

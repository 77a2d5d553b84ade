#!/bb/sh
# The guest's first process: mounts what the checks need, loads the drivers, starts udev and
# runs the checks. Arguments come from the kernel command line as variables (vq830_*).
export PATH=/usr/sbin:/usr/bin:/bb
bb=/bb/busybox
$bb mount -t proc proc /proc
$bb mount -t sysfs sys /sys
$bb mount -t devtmpfs dev /dev
$bb mkdir -p /dev/pts /dev/shm
$bb mount -t devpts devpts /dev/pts
$bb mount -t tmpfs tmp /tmp
$bb mount -t tmpfs run /run
$bb mount -t tmpfs var /var
exec </dev/console >/dev/console 2>&1

say() { echo "guest: $*"; }
fail() { say "$*"; $bb sync; $bb poweroff -f; }

# The drivers and the shared folders, in the order their dependencies need.
for m in $($bb cat /modules/order); do
  $bb insmod "/modules/$m" || fail "insmod $m failed"
done
share() { # TAG DIR OPTIONS
  $bb mkdir -p "$2"
  $bb mount -t 9p -o "trans=virtio,version=9p2000.L,msize=262144,$3" "$1" "$2" || fail "mount $1 failed"
}
share usr /usr ro,cache=loose
share etc /etc ro,cache=loose
share tree "$vq830_tree" ro,cache=loose
[ -n "$vq830_build" ] && share build "$vq830_build" ro,cache=loose
share results "$vq830_results" rw
$bb hostname vq830-guest

# udev names the adapter under /dev/serial/by-id and keeps the database Qt's port list reads.
/usr/lib/systemd/systemd-udevd --daemon || fail "udevd failed"
udevadm trigger --type=subsystems --action=add
udevadm trigger --type=devices --action=add
udevadm settle --timeout=60
say "ready after $($bb cut -d' ' -f1 /proc/uptime) s"

$bb mkdir -m 700 /tmp/runtime
export HOME=/tmp XDG_RUNTIME_DIR=/tmp/runtime QT_QPA_PLATFORM=offscreen LANG=C.UTF-8
/usr/bin/bash "$vq830_tree/tests/drivers/checks.sh" "$vq830_build" "$vq830_results" \
  >"$vq830_results/guest.log" 2>&1
say "checks ended with status $?"
$bb sync
$bb poweroff -f

#!/usr/bin/env bash
# request.sh WHAT: asks the host to do WHAT with the USB adapter (unplug; replug; replug-slow:
# plug it back wired to a device that answers 3 s late; replug-find: wired to a device at
# 57600 None 2) or with the 16550's device (restart-uart: restart it, so that a new main-port
# setting takes effect) and waits until it is done. The request and its answer are files in the
# shared results folder.
set -u
mbox="${VQ830_RESULTS:?}/mbox"
n="${EPOCHREALTIME/./}$$"
echo "$1" >"$mbox/new.$n" && mv "$mbox/new.$n" "$mbox/req.$n"
for _ in $(seq 600); do
  if [ -e "$mbox/ack.$n" ]; then
    answer="$(cat "$mbox/ack.$n")"
    rm -f "$mbox/ack.$n"
    [ "$answer" = ok ] && exit 0
    echo "request.sh: the host answered $1 with: $answer" >&2
    exit 1
  fi
  sleep 0.05
done
echo "request.sh: the host did not answer $1 within 30 s" >&2
exit 1

#!/usr/bin/env bash
# with_postgres.sh COMMAND [ARGUMENT]...: runs COMMAND beside a PostgreSQL server of its own,
# made for it in a temporary folder and stopped when it ends (whatever the outcome). The server
# listens on a Unix socket in that folder only (no TCP); COMMAND finds it in $VQ830_TEST_PG as
# libpq keywords for a superuser with trust authentication. initdb refuses to run as root: as
# root the server runs as the user postgres (which Debian's server package creates).
# The server does not sync its writes to disk (fsync=off: a test server) unless VQ830_PG_FSYNC=on.
set -euo pipefail
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$bin/initdb" ] || { echo "with_postgres.sh: no PostgreSQL server (run scripts/setup.sh)" >&2; exit 1; }
# A short path: a Unix socket's path must stay under about 107 bytes.
dir=$(mktemp -d /tmp/vq830-pg.XXXXXX)
as=()
if [ "$(id -u)" -eq 0 ]; then
  chown postgres: "$dir"
  as=(runuser -u postgres --)
fi
stop() {
  "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap stop EXIT
"${as[@]}" "$bin/initdb" -D "$dir/data" -A trust -U vq830 -E UTF8 --no-sync >"$dir/initdb.log" 2>&1 ||
  { cat "$dir/initdb.log" >&2; exit 1; }
"${as[@]}" "$bin/pg_ctl" -D "$dir/data" -w -t 30 -l "$dir/server.log" \
  -o "-c listen_addresses='' -k $dir -c fsync=${VQ830_PG_FSYNC:-off} -c max_connections=60" start >/dev/null ||
  { cat "$dir/server.log" >&2; exit 1; }
export VQ830_TEST_PG="host=$dir user=vq830 dbname=postgres"
status=0
"$@" || status=$?
[ "$status" -eq 0 ] || { echo "--- the server's log:" >&2; tail -20 "$dir/server.log" >&2; }
exit "$status"

#!/usr/bin/env bash
# A throw-away PostgreSQL server for development and tests, from Debian's
# postgresql package, in a folder of its own and reached only through a Unix
# socket in that folder (no TCP port at all).
#
#   scripts/pg-scratch.sh start DIR   # makes and starts it; prints the --db URL
#   scripts/pg-scratch.sh stop DIR    # stops it (DIR stays; remove it yourself)
#
# PostgreSQL refuses to run as root: started by root, the server runs as the
# "postgres" system user. Exits with 77 when the server binaries are missing.
set -euo pipefail
action="${1:-}"
dir="${2:-}"
if [ -z "$action" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi
bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ] || [ ! -x "$bindir/pg_ctl" ]; then
  echo "pg-scratch: the PostgreSQL server binaries are missing (apt-get install postgresql)" >&2
  exit 77
fi
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
dir=$(realpath -m "$dir")
case "$action" in
start)
  mkdir -p "$dir"
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$dir"
    # The server's user must be able to pass through the folders above
    # (temporary folders are often private): give them search permission only.
    up=$(dirname "$dir")
    while [ "$up" != "/" ]; do
      runuser -u postgres -- test -x "$up" || chmod a+x "$up"
      up=$(dirname "$up")
    done
  fi
  as_owner "$bindir/initdb" -D "$dir/data" -U kalvuno --auth=trust --encoding=UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; exit 1; }
  as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -k $dir -c fsync=off -c max_connections=200" start >/dev/null \
    || { cat "$dir/server.log" >&2; exit 1; }
  as_owner "$bindir/createdb" -h "$dir" -U kalvuno kalvuno
  # The socket folder, percent-encoded as the host of a URL.
  echo "postgresql://kalvuno@$(printf '%s' "$dir" | sed 's|/|%2F|g')/kalvuno"
  ;;
stop)
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
  fi
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac

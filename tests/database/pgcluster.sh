#!/usr/bin/env bash
# A throw-away PostgreSQL server for the database tests.
#   pgcluster.sh start STATE   makes a cluster in a new temporary folder, starts it on
#                              127.0.0.1 at a free port (and on a socket in that folder),
#                              creates the login "quorvane" and its database "vaultEye",
#                              loads tests/database/sql/*.sql in name order, and writes
#                              STATE/server ("127.0.0.1,PORT") and STATE/cluster (the folder);
#   pgcluster.sh restart STATE stops that server (ending every session) and starts it again
#                              on the same port (or starts a halted one);
#   pgcluster.sh halt STATE    stops that server, ending every session;
#   pgcluster.sh stop STATE    stops that server and removes its folder and STATE.
# Run as root, the server runs as the user postgres.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
action=${1:?start or stop}
state=${2:?state folder}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -n "$bin" ] || { echo "pgcluster: PostgreSQL's server programs are not installed" >&2; exit 1; }

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

stop() {
  [ -f "$state/cluster" ] || return 0
  local dir; dir=$(cat "$state/cluster")
  as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  rm -rf "$dir" "$state"
}

start() {
  stop
  mkdir -p "$state"
  local dir port
  dir=$(mktemp -d /tmp/quorvane-pg.XXXXXX)
  echo "$dir" > "$state/cluster"
  [ "$(id -u)" -ne 0 ] || chown postgres "$dir"
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  as_owner "$bin/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; exit 1; }
  # Passwords are checked on TCP connections, so that a wrong one is refused.
  printf 'local all all trust\nhost all postgres 127.0.0.1/32 trust\nhost all all 127.0.0.1/32 scram-sha-256\n' \
    > "$dir/data/pg_hba.conf"
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
    -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off -c full_page_writes=off -c synchronous_commit=off" \
    start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
  local psql=("$bin/psql" -q -X -v ON_ERROR_STOP=1 -h "$dir" -p "$port")
  "${psql[@]}" -U postgres -d postgres \
    -c "CREATE ROLE quorvane LOGIN CREATEROLE PASSWORD 'quorvane'" \
    -c "CREATE DATABASE \"vaultEye\" OWNER quorvane ENCODING 'UTF8'" >/dev/null
  for f in "$here"/sql/*.sql; do
    [ -e "$f" ] || continue
    "${psql[@]}" -U quorvane -d vaultEye -f "$f" >/dev/null || { echo "pgcluster: $f failed to load" >&2; exit 1; }
  done
  echo "127.0.0.1,$port" > "$state/server"
}

restart() {
  local dir; dir=$(cat "$state/cluster")
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -m fast -w restart >/dev/null \
    || { cat "$dir/server.log" >&2; exit 1; }
}

halt() {
  as_owner "$bin/pg_ctl" -D "$(cat "$state/cluster")/data" -m fast -w stop >/dev/null
}

case "$action" in
  start) start ;;
  restart) restart ;;
  halt) halt ;;
  stop) stop ;;
  *) echo "pgcluster: unknown action $action" >&2; exit 2 ;;
esac

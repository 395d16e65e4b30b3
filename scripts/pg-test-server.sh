#!/usr/bin/env bash
# A throwaway PostgreSQL server for the history's tests and benchmark, made from Debian's
# `postgresql` package.
#
#   pg-test-server.sh start DIR    makes a cluster, starts it and prints its connection options
#   pg-test-server.sh stop DIR     stops it and removes it with DIR
#   pg-test-server.sh halt DIR     stops the server and keeps the cluster (a server gone away)
#   pg-test-server.sh resume DIR   starts the kept cluster again
#
# The cluster lives in a folder of its own under ${TMPDIR:-/tmp} and listens only on a Unix
# socket there, so it never takes a TCP port and several can run side by side. Its one login,
# `radar`, needs a password (random, made at start); DIR keeps what a client needs:
#   DIR/connection   the options, e.g. host=/tmp/radar-pg.X port=5432 dbname=radar_history user=radar
#   DIR/pgpass       the password in the .pgpass form, for PGPASSFILE
#   DIR/cluster      where the cluster lives; DIR/server.log is the server's log.
# initdb refuses to run as root: as root, the server runs as the `postgres` system user.
set -euo pipefail

usage() { echo "usage: $0 start|stop|halt|resume DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
command=$1
state=$2
database=radar_history
login=radar
port=5432

bindir=${PG_BINDIR:-}
if [ -z "$bindir" ]; then
  bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
  [ -n "$bindir" ] || bindir=$(dirname "$(command -v initdb 2>/dev/null || echo /nonexistent/initdb)")
fi

as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

cluster_of() { [ -f "$state/cluster" ] && cat "$state/cluster" || true; }

stop_server() {
  local cluster=$1
  [ -n "$cluster" ] && [ -f "$cluster/data/postmaster.pid" ] || return 0
  if ! as_server "$bindir/pg_ctl" stop -D "$cluster/data" -m fast -w -t 10 >/dev/null 2>&1; then
    # The server did not go in time: end it and its children, so that nothing is left behind.
    local pid
    pid=$(head -n 1 "$cluster/data/postmaster.pid" 2>/dev/null || true)
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
    pkill -KILL -P "${pid:-0}" 2>/dev/null || true
  fi
}

start_server() {
  local cluster=$1
  if ! as_server "$bindir/pg_ctl" start -D "$cluster/data" -l "$cluster/server.log" -w -t 20 \
      -o "-c listen_addresses='' -c unix_socket_directories='$cluster' -p $port" >/dev/null; then
    echo "pg-test-server: the server did not start; its log:" >&2
    cat "$cluster/server.log" >&2 || true
    return 1
  fi
}

remove() {
  local cluster
  cluster=$(cluster_of)
  stop_server "$cluster"
  [ -n "$cluster" ] && rm -rf "$cluster"
  rm -rf "$state"
}

start() {
  if [ ! -x "$bindir/initdb" ]; then
    echo "pg-test-server: PostgreSQL's initdb not found (install the postgresql package, or set PG_BINDIR)" >&2
    exit 1
  fi
  remove # what a run that was killed left behind
  mkdir -p "$state"
  local cluster password
  cluster=$(mktemp -d "${TMPDIR:-/tmp}/radar-pg.XXXXXX")
  echo "$cluster" >"$state/cluster"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$cluster"
  password=$(head -c 18 /dev/urandom | base64 | tr -d '/+=')
  printf '%s\n' "$password" >"$cluster/password"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$cluster/password"
  if ! as_server "$bindir/initdb" -D "$cluster/data" -U "$login" --pwfile="$cluster/password" \
      --auth=scram-sha-256 --encoding=UTF8 --locale=C --no-sync >"$cluster/initdb.log" 2>&1; then
    echo "pg-test-server: initdb failed:" >&2
    cat "$cluster/initdb.log" >&2
    rm -rf "$cluster" "$state"
    exit 1
  fi
  rm -f "$cluster/password"
  (umask 077 && printf '%s:%s:*:%s:%s\n' "$cluster" "$port" "$login" "$password" >"$state/pgpass")
  if ! start_server "$cluster"; then
    remove
    exit 1
  fi
  if ! PGPASSFILE="$state/pgpass" "$bindir/createdb" --no-password -h "$cluster" -p "$port" -U "$login" "$database"; then
    remove
    exit 1
  fi
  ln -sf "$cluster/server.log" "$state/server.log"
  echo "host=$cluster port=$port dbname=$database user=$login" | tee "$state/connection"
}

case $command in
  start) start ;;
  stop) remove ;;
  halt) stop_server "$(cluster_of)" ;;
  resume)
    cluster=$(cluster_of)
    [ -n "$cluster" ] || { echo "pg-test-server: no cluster in $state" >&2; exit 1; }
    start_server "$cluster"
    ;;
  *) usage ;;
esac

#!/usr/bin/env bash
# The one way the tests, the benchmarks and the demo run nginx: its own
# prefix, configuration (nginx.conf.in beside this script), logs and temporary
# paths on 127.0.0.1, without touching /etc/nginx.
#
#   nginx-fixture.sh start DOCROOT PREFIX [PORT]  starts nginx in the background
#                                                 (a free port when none is given); prints the port
#   nginx-fixture.sh run DOCROOT PREFIX PORT      becomes nginx in the foreground, so the caller's
#                                                 process id is the master's and a signal stops it
#   nginx-fixture.sh stop PREFIX                  stops the nginx started with PREFIX
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
nginx_bin=${NGINX:-/usr/sbin/nginx}

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# write_conf DOCROOT PREFIX PORT DAEMON: prints the absolute prefix.
write_conf() {
  local docroot prefix port=$3 daemon=$4 user_line=""
  docroot=$(cd "$1" && pwd)
  mkdir -p "$2/tmp" "$2/logs"
  prefix=$(cd "$2" && pwd)
  # As root, nginx would hand the workers to "nobody", who may not read a
  # private document root; keep them as the caller instead.
  if [ "$(id -u)" -eq 0 ]; then user_line="user $(id -un) $(id -gn);"; fi
  sed -e "s|@DAEMON@|$daemon|" -e "s|@USER_LINE@|$user_line|" -e "s|@PREFIX@|$prefix|g" \
      -e "s|@PORT@|$port|g" -e "s|@DOCROOT@|$docroot|g" "$here/nginx.conf.in" >"$prefix/nginx.conf"
  echo "$prefix"
}

start() {
  local docroot=$1 prefix=$2 fixed=${3:-} port attempts=5
  [ -z "$fixed" ] || attempts=1
  for _ in $(seq "$attempts"); do
    port=${fixed:-$(free_port)}
    prefix=$(write_conf "$docroot" "$prefix" "$port" on)
    rm -f "$prefix/nginx.pid"
    if "$nginx_bin" -p "$prefix" -c "$prefix/nginx.conf" -e "$prefix/logs/error.log" 2>>"$prefix/logs/start.log"; then
      for _ in $(seq 50); do
        [ -s "$prefix/nginx.pid" ] && { echo "$port"; return 0; }
        sleep 0.1
      done
    fi
  done
  echo "nginx-fixture: nginx did not start; see $prefix/logs" >&2
  return 1
}

run() {
  local prefix
  prefix=$(write_conf "$1" "$2" "$3" off)
  exec "$nginx_bin" -p "$prefix" -c "$prefix/nginx.conf" -e "$prefix/logs/error.log"
}

stop() {
  local prefix=$1 pid
  [ -s "$prefix/nginx.pid" ] || return 0
  pid=$(cat "$prefix/nginx.pid")
  kill -QUIT "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

usage() { echo "usage: $0 start DOCROOT PREFIX [PORT] | run DOCROOT PREFIX PORT | stop PREFIX" >&2; exit 2; }
case "${1:-}" in
  start) [ $# -eq 3 ] || [ $# -eq 4 ] || usage; start "$2" "$3" "${4:-}" ;;
  run) [ $# -eq 4 ] || usage; run "$2" "$3" "$4" ;;
  stop) [ $# -eq 2 ] || usage; stop "$2" ;;
  *) usage ;;
esac

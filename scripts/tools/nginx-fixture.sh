#!/usr/bin/env bash
# Runs nginx as a test fixture: its own prefix, configuration, logs and temp
# paths, on a free port of 127.0.0.1, without touching /etc/nginx.
#
#   nginx-fixture.sh start DOCROOT PREFIX   starts nginx serving DOCROOT; prints the port
#   nginx-fixture.sh stop PREFIX            stops the nginx started with PREFIX
#
# Under DOCROOT, everything below /close/ is answered with "Connection: close".
# Files ending in .php are served as plain text (the version endpoint is a
# static file here).
set -euo pipefail

nginx_bin=${NGINX:-/usr/sbin/nginx}

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

start() {
  local docroot prefix port user_line=""
  docroot=$(cd "$1" && pwd)
  prefix=$2
  mkdir -p "$prefix/tmp" "$prefix/logs"
  prefix=$(cd "$prefix" && pwd)
  # As root, nginx would hand the workers to "nobody", who may not read a
  # private document root; keep them as the caller instead.
  if [ "$(id -u)" -eq 0 ]; then user_line="user $(id -un) $(id -gn);"; fi
  for attempt in 1 2 3 4 5; do
    port=$(free_port)
    cat >"$prefix/nginx.conf" <<CONF
$user_line
daemon on;
worker_processes 1;
pid $prefix/nginx.pid;
error_log $prefix/logs/error.log warn;
events { worker_connections 256; }
http {
  access_log off;
  client_body_temp_path $prefix/tmp/body;
  proxy_temp_path $prefix/tmp/proxy;
  fastcgi_temp_path $prefix/tmp/fastcgi;
  uwsgi_temp_path $prefix/tmp/uwsgi;
  scgi_temp_path $prefix/tmp/scgi;
  types { text/plain txt php; application/zip zip; text/html html; }
  default_type application/octet-stream;
  sendfile on;
  keepalive_timeout 65;
  keepalive_requests 10000;
  server {
    listen 127.0.0.1:$port;
    root $docroot;
    location /close/ { keepalive_timeout 0; }
  }
}
CONF
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

case "${1:-}" in
  start) [ $# -eq 3 ] || { echo "usage: $0 start DOCROOT PREFIX" >&2; exit 2; }; start "$2" "$3" ;;
  stop) [ $# -eq 2 ] || { echo "usage: $0 stop PREFIX" >&2; exit 2; }; stop "$2" ;;
  *) echo "usage: $0 start DOCROOT PREFIX | stop PREFIX" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# Runs a command with DISPLAY set to a private Xvfb server, which it starts on
# a free display number and stops afterwards. Usage: with-xvfb.sh [-s WxHxD] command...
set -euo pipefail

screen=1280x800x24
if [ "${1:-}" = "-s" ]; then
  screen=$2
  shift 2
fi
[ $# -gt 0 ] || { echo "usage: $0 [-s WxHxD] command..." >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "with-xvfb: Xvfb is not installed" >&2; exit 1; }

numberFile=$(mktemp)
cleanup() {
  if [ -n "${xvfb:-}" ]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  rm -f "$numberFile"
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to fd 3 once it listens.
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$numberFile" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 300); do
  [ -s "$numberFile" ] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "with-xvfb: Xvfb failed to start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$numberFile" ] || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }

export DISPLAY=":$(head -n1 "$numberFile")"
status=0
"$@" || status=$?
exit "$status"

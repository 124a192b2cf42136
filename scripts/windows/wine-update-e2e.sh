#!/usr/bin/env bash
# The whole update with the Windows programs under Wine, against nginx on
# 127.0.0.1: an installation of version 1.0 whose game launcher
# ("开始游戏.exe", the portable stand-in launcher) is running, and version 2.0
# on the server. The updater must end the running launcher, download and
# unpack the package, record 2.0 and start the new launcher, which leaves its
# note. Then the same installation again: the updater finds 2.0 current,
# says so in the system's box and ends, changing nothing.
#
#   scripts/windows/wine-update-e2e.sh   WINDOWS_BUILD (default build-windows), E2E_WAIT (seconds, default 120)
#
# The updater is the end-to-end copy built for 127.0.0.1 at that build's
# QUELBO_E2E_PORT (tests/e2e). Without DISPLAY it runs under a private Xvfb.
# Everything it makes lives in $WINDOWS_BUILD/wine-e2e; what it started is stopped by
# process id when it ends. Exit status 0 when every check held. Any Linux
# updater running meanwhile on the machine (the end-to-end tests) ends every
# process named like the launcher, the running one of this script included:
# run it when no such tests run.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ -z "${DISPLAY:-}" ]; then exec scripts/tools/with-xvfb.sh "$0" "$@"; fi
source_dir=$(pwd)
build=$(cd "${WINDOWS_BUILD:-build-windows}" && pwd)
# The port the end-to-end copy was built for.
port=$(sed -n 's/^QUELBO_E2E_PORT:STRING=//p' "$build/CMakeCache.txt")
launcher=开始游戏.exe
export LANG=C.UTF-8 LC_ALL=C.UTF-8
say() { printf 'wine-e2e: %s\n' "$*"; }
fail() {
  printf 'wine-e2e: FAILED: %s\n' "$*" >&2
  # What was on screen then, by window title.
  xdotool search --onlyvisible --name . 2>/dev/null | while read -r w; do
    printf 'wine-e2e: window: %s\n' "$(xdotool getwindowname "$w" 2>/dev/null)" >&2
  done
  exit 1
}
run() { "$source_dir/scripts/windows/wine-run.sh" "$build/wine" "$@"; }

updater_exe=$build/tests/e2e/quelbo-updater-e2e.exe
launcher_exe=$build/tests/e2e/quelbo-demo-launcher.exe
[ -f "$updater_exe" ] && [ -f "$launcher_exe" ] ||
  fail "build quelbo-updater-e2e and quelbo-demo-launcher first (QUELBO_TARGETS=... scripts/build-windows.sh)"

work=$build/wine-e2e
rm -rf "$work"
docroot=$work/docroot install=$work/install
mkdir -p "$docroot/version" "$docroot/packages" "$install/data"
# Version 1.0: its configuration, the launcher and the updater.
cp scripts/demo/installed/xconfig.ini "$install/"
cp "$launcher_exe" "$install/$launcher"
cp "$updater_exe" "$install/quelbo-updater.exe"
# Version 2.0: the demo's package with the launcher as a Windows program.
cp -r scripts/demo/package "$work/package"
cp "$launcher_exe" "$work/package/$launcher"
(cd "$work/package" && zip -q -r "$docroot/packages/quelbo-2.0.zip" .)
printf '2.0|http://127.0.0.1:%s/packages/|quelbo-2.0.zip|%s' "$port" "$launcher" >"$docroot/version/version.php"

nginx_pid="" stay_pid="" updater_pid=""
cleanup() {
  for pid in $updater_pid $stay_pid $nginx_pid; do
    if kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  done
}
trap cleanup EXIT
scripts/tools/nginx-fixture.sh run "$docroot" "$work/nginx" "$port" >/dev/null 2>&1 &
nginx_pid=$!
for _ in $(seq 100); do
  curl -fs -o /dev/null "http://127.0.0.1:$port/version/version.php" && break
  kill -0 "$nginx_pid" 2>/dev/null || fail "nginx did not start on port $port"
  sleep 0.1
done

# A running launcher, as while the game runs.
(cd "$install" && exec "$source_dir/scripts/windows/wine-run.sh" "$build/wine" "./$launcher" --stay) &
stay_pid=$!
sleep 3
kill -0 "$stay_pid" 2>/dev/null || fail "the running launcher did not start"

# run_updater SECONDS [answer]: runs the updater from the installation and
# gives its exit status; "answer" presses Enter every 2 s, as a player
# answers the system's box (MessageBoxW under Wine takes it).
run_updater() {
  (cd "$install" && exec "$source_dir/scripts/windows/wine-run.sh" "$build/wine" ./quelbo-updater.exe) &
  updater_pid=$!
  local status=0
  for i in $(seq "$((10 * $1))"); do
    kill -0 "$updater_pid" 2>/dev/null || break
    if [ "${2:-}" = answer ] && [ $((i % 20)) = 0 ]; then xdotool key Return 2>/dev/null || true; fi
    sleep 0.1
  done
  kill -0 "$updater_pid" 2>/dev/null && fail "the updater did not end within $1 s"
  wait "$updater_pid" || status=$?
  updater_pid=""
  return "$status"
}

say "update 1.0 -> 2.0 under Wine"
run_updater "${E2E_WAIT:-120}" || fail "the updater ended with status $?"
for _ in $(seq 50); do kill -0 "$stay_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$stay_pid" 2>/dev/null && fail "the running launcher was not ended"
grep -q '^ver=2.0' "$install/xconfig.ini" || fail "the version recorded: $(tr '\r\n' '  ' <"$install/xconfig.ini")"
for f in data/version.txt data/levels/level1.map docs/changes.txt; do
  cmp -s "$work/package/$f" "$install/$f" || fail "$f is not the package's"
done
for _ in $(seq 100); do [ -f "$install/launcher-started.txt" ] && break; sleep 0.1; done
grep -q '^version: 2.0' "$install/launcher-started.txt" 2>/dev/null || fail "the new launcher did not run"
say "the running launcher was ended, 2.0 unpacked and recorded, the new launcher ran"

say "the same installation again: 2.0 is current"
rm -f "$install/launcher-started.txt"
before=$(cd "$install" && find . -type f ! -name launcher-started.txt -exec sha256sum {} + | LC_ALL=C sort)
run_updater 60 answer || fail "the second run ended with status $?"
after=$(cd "$install" && find . -type f ! -name launcher-started.txt -exec sha256sum {} + | LC_ALL=C sort)
[ "$before" = "$after" ] || fail "the second run changed the installation"
grep -q " /packages/" "$work/nginx/logs/access.log" || fail "no package was requested"
[ "$(grep -c ' /packages/' "$work/nginx/logs/access.log")" = 1 ] || fail "the package was fetched again"
say "passed"

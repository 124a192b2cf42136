#!/usr/bin/env bash
# The updater's main job on this machine, end to end: makes a release key pair
# with quelbo-publish, builds the program for an update server on 127.0.0.1
# trusting that key, lays out an installation of version 1.0, serves version
# 2.0 from a private nginx with a reply signed by quelbo-publish, and runs the
# updater from the installation directory (on your display when there is one,
# else under Xvfb with screenshots kept) twice: first against a copy of the
# reply with one byte changed, which it refuses, then against the signed
# reply, whose overwrite question it answers; it shows what changed.
#
#   scripts/demo.sh [--wine]   DEMO_PORT (default 18081), BUILD_DIR (default build),
#                              WINDOWS_BUILD_DIR (default build-windows)
#
# --wine runs the same demo with the Windows program, quelbo-updater.exe built
# by scripts/build-windows.sh for that server and key, under Wine, and the
# stand-in game launcher of tests/e2e as the Windows "开始游戏.exe".
# Everything it makes lives in $BUILD_DIR/demo; nginx, Xvfb and the updater
# are stopped by their process ids when it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
port=${DEMO_PORT:-18081}
build=${BUILD_DIR:-build}
wine=""
case "${1:-}" in
  --wine) wine=1 ;;
  "") ;;
  *) echo "usage: $0 [--wine]" >&2; exit 2 ;;
esac
demo_src=$source_dir/scripts/demo
launcher=开始游戏.exe

say() { printf 'demo: %s\n' "$*"; }
fail() { printf 'demo: %s\n' "$*" >&2; exit 1; }

scripts/install-deps.sh

python3 - "$port" <<'PY' 2>/dev/null || fail "port $port of 127.0.0.1 is in use; run with DEMO_PORT=<a free port>"
import socket, sys
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1])))
PY

say "building quelbo-publish, the publisher's tool"
cmake -S . -B "$build" -G Ninja -DQUELBO_UPDATE_HOST="127.0.0.1:$port" >/dev/null
cmake --build "$build" --parallel "${JOBS:-$(nproc)}" --target quelbo-publish
publish=$build/app/publish/quelbo-publish

# The publisher's key pair, made once and kept beside the build.
secret=$build/demo-key/release.secret
if [ ! -f "$secret" ]; then
  mkdir -p "$(dirname "$secret")"
  "$publish" keygen "$secret" >/dev/null
  say "made a release key pair; the secret key is $secret ($(stat -c %A "$secret"))"
fi
public_key=$("$publish" public-key "$secret")

cmake --build "$build" --parallel "${JOBS:-$(nproc)}" --target quelbo-x-driver
driver=$(cd "$build/tests/e2e" && pwd)/quelbo-x-driver
if [ -z "$wine" ]; then
  say "building quelbo-updater for the update server 127.0.0.1:$port, trusting the public key $public_key"
  cmake -S . -B "$build" -G Ninja -DQUELBO_UPDATE_HOST="127.0.0.1:$port" -DQUELBO_UPDATE_PUBLIC_KEY="$public_key" >/dev/null
  cmake --build "$build" --parallel "${JOBS:-$(nproc)}" --target quelbo-updater
  updater=$build/app/quelbo-updater program=quelbo-updater answer=answer
else
  windows=${WINDOWS_BUILD_DIR:-build-windows}
  say "building quelbo-updater.exe for the update server 127.0.0.1:$port, trusting the public key $public_key"
  WINDOWS_BUILD_DIR=$windows QUELBO_TARGETS="quelbo-updater quelbo-demo-launcher" scripts/build-windows.sh \
    -DQUELBO_UPDATE_HOST="127.0.0.1:$port" -DQUELBO_UPDATE_PUBLIC_KEY="$public_key"
  windows=$(cd "$windows" && pwd)
  updater=$windows/app/quelbo-updater.exe program=quelbo-updater.exe
  # Wine hands keys to the window it made active itself; without a window
  # manager the X focus follows the pointer, which the driver puts there.
  answer=answer-here
fi

# The layout: the server's document root and nginx prefix, the installation.
work=$(mkdir -p "$build/demo" && cd "$build/demo" && pwd)
rm -rf "${work:?}"/*
docroot=$work/server/docroot
prefix=$work/server/nginx
install=$work/install
mkdir -p "$docroot/version" "$docroot/packages" "$prefix/logs" "$prefix/tmp" "$install"

# Version 1.0 as installed: the configuration, an old copy of one file the
# package brings again, and the updater beside them.
cp -r "$demo_src/installed/." "$install/"
cp "$updater" "$install/$program"

# Version 2.0 on the server: the package, and the one-line reply naming it,
# signed: its SHA-256, size, expiry, serial and the signature of all of it.
# Under Wine its launcher is the Windows program in the script's place.
cp -r "$demo_src/package" "$work/package"
[ -z "$wine" ] || cp "$windows/tests/e2e/quelbo-demo-launcher.exe" "$work/package/$launcher"
(cd "$work/package" && zip -q -r "$docroot/packages/quelbo-2.0.zip" .)
"$publish" sign --key "$secret" --version 2.0 --base-url "http://127.0.0.1:$port/packages/" \
  --package "$docroot/packages/quelbo-2.0.zip" --program "$launcher" --valid 1h --serial 2 >"$work/signed-reply.txt"
# The same reply with one byte changed: version 2.0 becomes 2.1.
sed '1s/^2\.0|/2.1|/' "$work/signed-reply.txt" >"$work/tampered-reply.txt"
cp "$work/tampered-reply.txt" "$docroot/version/version.php"

nginx_pid="" xvfb_pid="" updater_pid=""
# Under Wine the updater runs in a session of its own, so that Wine's
# processes go with it.
stop_updater() { if [ -n "$wine" ]; then kill -- "-$updater_pid" 2>/dev/null || true; else kill "$updater_pid" 2>/dev/null || true; fi; }
cleanup() {
  if [ -n "$updater_pid" ] && kill -0 "$updater_pid" 2>/dev/null; then stop_updater; wait "$updater_pid" 2>/dev/null || true; fi
  if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# nginx in the foreground of its own process, so $! is its master.
scripts/tools/nginx-fixture.sh run "$docroot" "$prefix" "$port" &
nginx_pid=$!
for _ in $(seq 100); do
  curl -fs -o /dev/null "http://127.0.0.1:$port/version/version.php" && break
  kill -0 "$nginx_pid" 2>/dev/null || fail "nginx did not start; see $prefix/logs/error.log"
  sleep 0.1
done
checked=$(wc -l <"$prefix/logs/access.log")  # the requests above were the demo's own
say "nginx (pid $nginx_pid) serves http://127.0.0.1:$port/version/version.php"

# Your display if it works, otherwise a private Xvfb.
headless=""
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  number_file=$work/xvfb-display
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$number_file" ] && break; sleep 0.1; done
  [ -s "$number_file" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$number_file")"
  headless=1
  say "no usable display; running under Xvfb $DISPLAY (pid $xvfb_pid)"
fi

listing() {  # checksum and path of every file below $1 but the updater
  (cd "$1" && find . -type f ! -name "$program" -printf '%P\n' | LC_ALL=C sort | while IFS= read -r f; do
    printf '%s %s\n' "$(sha256sum -- "$f" | cut -c1-16)" "$f"
  done)
}
listing "$install" >"$work/before.txt"
ini_before=$(cat "$install/xconfig.ini")

# Runs the updater from the installation directory. "install": answers the
# overwrite question with Enter (Yes) and fails on an error box. "refuse": waits
# for the download-failure box, keeps a screenshot, answers it, checks that
# the window stays open and closes it as a user would.
run_updater() {
  local mode=$1 failed="" seen=""
  if [ -n "$wine" ]; then
    (cd "$install" && exec setsid "$source_dir/scripts/windows/wine-run.sh" "$windows/wine" "./$program") &
  else
    (cd "$install" && exec "./$program") &
  fi
  updater_pid=$!
  for _ in $(seq 600); do
    kill -0 "$updater_pid" 2>/dev/null || break
    if [ "$mode" = install ] && "$driver" find "File Exists Alert"; then
      if [ -n "$headless" ] && [ ! -s "$screenshot" ]; then
        sleep 0.3  # the box's first paint
        "$driver" screenshot "$screenshot" || true
      fi
      "$driver" "$answer" "File Exists Alert" Return 5 && say "answered \"File Exists Alert\" with Enter (Yes)"
    elif "$driver" find "错误"; then
      sleep 0.3
      if [ "$mode" = install ]; then
        "$driver" screenshot "$work/error.png" || true
        failed="the updater showed an error box (screenshot: $work/error.png)"
        break
      fi
      "$driver" screenshot "$refused_shot" || true
      "$driver" "$answer" "错误" Return 5 && say "the updater refused the reply with its download-failure box; answered it"
      sleep 1
      kill -0 "$updater_pid" 2>/dev/null || { failed="the updater ended after refusing the reply"; break; }
      say "its window stays open; closing it"
      "$driver" close "Quelbo自动更新" || true
      seen=1
      break
    fi
    sleep 0.1
  done
  status=0
  if [ -z "$failed" ] && [ "$mode" = refuse ] && [ -z "$seen" ]; then failed="the updater did not refuse the changed reply"; fi
  if [ -z "$failed" ] && kill -0 "$updater_pid" 2>/dev/null && [ "$mode" = install ]; then
    failed="the updater did not finish within a minute"
  fi
  if [ -n "$failed" ]; then stop_updater; fi
  for _ in $(seq 100); do kill -0 "$updater_pid" 2>/dev/null || break; sleep 0.1; done
  wait "$updater_pid" || status=$?
  updater_pid=""
  [ -z "$failed" ] || fail "$failed"
}

screenshot=$work/screenshot.png
refused_shot=$work/refused.png

echo
say "1. a copy of the signed reply with one byte changed (2.0 became 2.1):"
printf '      %s\n' "$(cat "$docroot/version/version.php")"
say "starting $install/$program${wine:+ under Wine}"
run_updater refuse
listing "$install" >"$work/after-refusal.txt"
if cmp -s "$work/before.txt" "$work/after-refusal.txt" && [ "$(cat "$install/xconfig.ini")" = "$ini_before" ]; then
  say "nothing in $install changed, xconfig.ini included"
else
  fail "the refused update changed $install"
fi

echo
cp "$work/signed-reply.txt" "$docroot/version/version.php"
say "2. the reply as quelbo-publish signed it:"
printf '      %s\n' "$(cat "$docroot/version/version.php")"
say "starting $install/$program${wine:+ under Wine}"
run_updater install
say "the updater ended with exit code $status"

# The launcher writes its note a moment after the updater started it.
for _ in $(seq 50); do [ -f "$install/launcher-started.txt" ] && break; sleep 0.1; done
listing "$install" >"$work/after.txt"

echo
echo "What changed in $install:"
awk 'NR == FNR { before[$2] = $1; next }
     { after[$2] = $1; if (!($2 in before)) print "  added    " $2; else if (before[$2] != $1) print "  replaced " $2 }
     END { for (f in before) if (!(f in after)) print "  removed  " f }' "$work/before.txt" "$work/after.txt"
echo
echo "xconfig.ini before:"; sed 's/^/  /' <<<"$ini_before"
echo "xconfig.ini after:"; sed 's/^/  /' "$install/xconfig.ini"
echo
if [ -f "$install/launcher-started.txt" ]; then
  echo "The program named by the server ($launcher) was started and wrote:"
  sed 's/^/  /' "$install/launcher-started.txt"
else
  echo "The program named by the server ($launcher) left no note: it was not started."
  status=1
fi
echo
echo "Requests the updater made:"
tail -n +"$((checked + 1))" "$prefix/logs/access.log" | awk '{ print "  " $3 " " $4 " (" $5 " bytes)" }'
if [ -n "$headless" ]; then
  echo
  [ -s "$refused_shot" ] && echo "Screenshot of the refusal: $refused_shot"
  [ -s "$screenshot" ] && echo "Screenshot while the question was shown: $screenshot"
fi
exit "$status"

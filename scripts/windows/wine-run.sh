#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh PREFIX PROGRAM [ARGS...].
# CTest and GoogleTest discovery use it as the emulator of the Windows build.
# PREFIX is a Wine prefix of the build tree, made on first use (no crash
# dialog, no Mono or Gecko). The Wine server and the system services are
# started detached from the caller's pipes and kept for a while, so each test
# program neither pays Wine's start again nor keeps CTest waiting on its output
# after it ends. A UTF-8 locale: under another, Wine cannot start programs
# with CJK names and garbles such arguments. Windows programs that show
# windows need DISPLAY; with QUELBO_WINE_XVFB=1 and no DISPLAY a private Xvfb
# serves the run. The program finds scripts/windows/host-agent.py, which runs
# Linux programs for it, at the port in QUELBO_HOST_AGENT_PORT.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 PREFIX PROGRAM [ARGS...]" >&2; exit 2; }
prefix=$1
shift
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8
linger=${QUELBO_WINE_LINGER:-120}

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.quelbo-ready" ]; then
  rm -rf "$prefix"
  {
    wineboot --init
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    wineserver -w
  } </dev/null >/dev/null 2>&1 9>&-
  touch "$prefix/.quelbo-ready"
fi
# A new prefix has no fonts; a player's Windows has a CJK face. The one the
# Linux build uses (fonts-wqy-microhei) stands in for it.
cjk=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
fonts="$prefix/drive_c/windows/Fonts"
if [ -f "$cjk" ] && [ -d "$fonts" ] && [ ! -f "$fonts/wqy-microhei.ttc" ]; then
  cp "$cjk" "$fonts/"
fi
# The system's own boxes (MessageBoxW) draw their text in Tahoma, which has
# no Chinese characters; linked to the CJK face, as a Chinese Windows links
# its own, they show the program's texts.
if [ -f "$fonts/wqy-microhei.ttc" ] && [ ! -f "$prefix/.quelbo-fontlink" ]; then
  {
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f
    wineserver -w
  } </dev/null >/dev/null 2>&1 9>&- && touch "$prefix/.quelbo-fontlink"
fi
# Exits at once when the server is running already. Nothing started here
# may inherit the lock.
if wineserver -p"$linger" </dev/null >/dev/null 2>&1 9>&-; then
  wine wineboot </dev/null >/dev/null 2>&1 9>&- || true
fi
exec 9>&-

here=$(cd "$(dirname "$0")" && pwd)
portFile=$(mktemp)
python3 "$here/host-agent.py" "$prefix" >"$portFile" </dev/null &
agent=$!
stop_agent() {
  kill "$agent" 2>/dev/null || true
  wait "$agent" 2>/dev/null || true
  rm -f "$portFile"
}
trap stop_agent EXIT
for _ in $(seq 100); do
  [ -s "$portFile" ] && break
  sleep 0.05
done
export QUELBO_HOST_AGENT_PORT=$(cat "$portFile")

status=0
if [ "${QUELBO_WINE_XVFB:-0}" = 1 ] && [ -z "${DISPLAY:-}" ]; then
  "$here/../tools/with-xvfb.sh" wine "$@" || status=$?
else
  wine "$@" || status=$?
fi
stop_agent
trap - EXIT
exit "$status"

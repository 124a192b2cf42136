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
# serves the run.
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
# Exits at once when the server is running already. Nothing started here
# may inherit the lock.
if wineserver -p"$linger" </dev/null >/dev/null 2>&1 9>&-; then
  wine wineboot </dev/null >/dev/null 2>&1 9>&- || true
fi
exec 9>&-

if [ "${QUELBO_WINE_XVFB:-0}" = 1 ] && [ -z "${DISPLAY:-}" ]; then
  exec "$(dirname "$0")/../tools/with-xvfb.sh" wine "$@"
fi
exec wine "$@"

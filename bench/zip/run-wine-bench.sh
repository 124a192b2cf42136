#!/usr/bin/env bash
# Extraction of the bench package (as run-bench.sh makes it: 2000 mixed files,
# 300 MB, deflate level 6) by the Linux build and by the Windows build under
# Wine, side by side in one run, best of RUNS (3) each, into an empty
# directory on disk. Wine's file layer is slower than Windows itself: the
# ratio is a floor for the Windows program, not a figure for players. The
# Windows time includes Wine starting the program, measured alone too.
# Usage: run-wine-bench.sh LINUX_BUILD WINDOWS_BUILD [DISK_DIR] [MB]
set -euo pipefail
linux=$(cd "${1:?Linux build dir}" && pwd)
windows=$(cd "${2:?Windows build dir}" && pwd)
disk=${3:-/var/tmp}
megabytes=${4:-300}
here=$(cd "$(dirname "$0")" && pwd)
runs=${RUNS:-3}
wine_run="$here/../../scripts/windows/wine-run.sh"
linux_tool="$linux/bench/zip/zip_extract_tool"
windows_tool="$windows/bench/zip/zip_extract_tool.exe"
prefix="$windows/wine"

work=$(mktemp -d "$disk/quelbo-wine-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 "$here/gen-package.py" "$work/src" 2000 $((megabytes * 1024 * 1024))
(cd "$work/src" && zip -q -r -6 "$work/pkg.zip" .)
bytes=$(du -sb --apparent-size "$work/src" | cut -f1)
rm -rf "$work/src"
echo "package: $(stat -c %s "$work/pkg.zip") bytes compressed, $bytes bytes extracted, 2000 files"

best() {  # best wall time in seconds over $runs runs of: prepare; command
  local prep=$1 cmd=$2 t best=""
  for _ in $(seq "$runs"); do
    eval "$prep"
    local s=$EPOCHREALTIME
    eval "$cmd" >/dev/null 2>&1
    local e=$EPOCHREALTIME
    t=$(awk -v s="$s" -v e="$e" 'BEGIN { printf "%.4f", e - s }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

# Wine started once beforehand, as the test runs have it.
"$wine_run" "$prefix" "$windows_tool" >/dev/null 2>&1 || true
fresh="rm -rf '$work/out'; mkdir '$work/out'"
t_linux=$(best "$fresh" "'$linux_tool' '$work/pkg.zip' '$work/out'")
t_windows=$(best "$fresh" "'$wine_run' '$prefix' '$windows_tool' '$work/pkg.zip' '$work/out'")
t_start=$(best ":" "'$wine_run' '$prefix' '$windows_tool'")
rm -rf "$work/out"
mbs() { awk -v b="$bytes" -v t="$1" 'BEGIN { printf "%.1f", b / 1048576 / t }'; }
printf 'linux   %7.3f s  %7s MB/s\n' "$t_linux" "$(mbs "$t_linux")"
printf 'wine    %7.3f s  %7s MB/s  (of which starting the program under Wine %.3f s)\n' "$t_windows" \
  "$(mbs "$t_windows")" "$t_start"
awk -v l="$t_linux" -v w="$t_windows" -v s="$t_start" \
  'BEGIN { printf "ratio windows-under-wine/linux time %.2f (%.2f without the start)\n", w / l, (w - s) / l }'

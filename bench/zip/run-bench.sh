#!/usr/bin/env bash
# Extraction throughput of the component beside bsdtar (libarchive) and
# Info-ZIP unzip on one 300 MB package of 2000 mixed files (deflate level 6),
# into an empty directory, once on disk and once on tmpfs; `cp -r` of the
# extracted tree is the write floor. Prints MB/s of output and ratios.
# Usage: run-bench.sh BUILD_DIR [DISK_DIR] [TMPFS_DIR]
set -euo pipefail
build=${1:?build dir}
disk=${2:-/var/tmp}
shm=${3:-/dev/shm}
tool="$build/bench/zip/zip_extract_tool"
here=$(cd "$(dirname "$0")" && pwd)
runs=${RUNS:-3}

work_disk=$(mktemp -d "$disk/quelbo-zip-bench.XXXXXX")
work_shm=$(mktemp -d "$shm/quelbo-zip-bench.XXXXXX")
trap 'rm -rf "$work_disk" "$work_shm"' EXIT

python3 "$here/gen-package.py" "$work_disk/src" 2000 $((300 * 1024 * 1024))
(cd "$work_disk/src" && zip -q -r -6 "$work_disk/pkg.zip" .)
bytes=$(du -sb --apparent-size "$work_disk/src" | cut -f1)
rm -rf "$work_disk/src"
echo "package: $(stat -c %s "$work_disk/pkg.zip") bytes compressed, $bytes bytes extracted, 2000 files"

best() {  # best wall time in seconds over $runs runs of: prepare; command
  local prep=$1 cmd=$2 t best=""
  for _ in $(seq "$runs"); do
    eval "$prep"
    local s=$EPOCHREALTIME
    eval "$cmd" >/dev/null
    local e=$EPOCHREALTIME
    t=$(awk -v s="$s" -v e="$e" 'BEGIN { printf "%.4f", e - s }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

for place in disk tmpfs; do
  w=$work_disk; [ $place = tmpfs ] && w=$work_shm
  [ -f "$w/pkg.zip" ] || cp "$work_disk/pkg.zip" "$w/pkg.zip"
  fresh="rm -rf '$w/out' '$w/copy'; mkdir '$w/out'"
  t_ours=$(best "$fresh" "'$tool' '$w/pkg.zip' '$w/out'")
  t_bsdtar=$(best "$fresh" "bsdtar -xf '$w/pkg.zip' -C '$w/out'")
  t_unzip=$(best "$fresh" "unzip -o -q '$w/pkg.zip' -d '$w/out'")
  t_cp=$(best "rm -rf '$w/copy'" "cp -r '$w/out' '$w/copy'")
  rm -rf "$w/out" "$w/copy"
  mbs() { awk -v b="$bytes" -v t="$1" 'BEGIN { printf "%.1f", b / 1048576 / t }'; }
  ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
  printf '%-6s ours %7s MB/s  bsdtar %7s MB/s  unzip %7s MB/s  cp -r %7s MB/s\n' \
    $place "$(mbs $t_ours)" "$(mbs $t_bsdtar)" "$(mbs $t_unzip)" "$(mbs $t_cp)"
  printf '%-6s ratio ours/bsdtar %s  ours/unzip %s  ours/cp %s\n' $place \
    "$(ratio $t_bsdtar $t_ours)" "$(ratio $t_unzip $t_ours)" "$(ratio $t_cp $t_ours)"
done

#!/usr/bin/env bash
# Builds the archive fuzz targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in a build directory of their own, then runs each
# briefly. Seeds are the sample archives; new inputs go to a scratch corpus.
# Usage: run-fuzzers.sh SOURCE_DIR BUILD_DIR [SECONDS_EACH]
set -euo pipefail
src=$1
build=$2
seconds=${3:-15}
CC=clang CXX=clang++ cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUELBO_FUZZ=ON -DQUELBO_SANITIZE=ON >/dev/null
cmake --build "$build" --target zip_fuzzers -- -j2 >/dev/null
seeds="$src/tests/zip/data"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for f in directory shrunk reduced imploded deflated; do
  mkdir -p "$scratch/$f"
  echo "fuzz_zip_$f: ${seconds}s"
  if ! (cd "$scratch" && TMPDIR="$scratch" "$build/tests/zip/fuzz/fuzz_zip_$f" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -timeout=10 -print_final_stats=0 "$scratch/$f" "$seeds" >"$scratch/$f.log" 2>&1); then
    echo "fuzz_zip_$f FAILED"; tail -40 "$scratch/$f.log"; status=1
  else
    grep -E "^#[0-9]+.*DONE" "$scratch/$f.log" | tail -1 || true
  fi
done
exit $status

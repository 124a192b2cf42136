#!/usr/bin/env bash
# Installs what is missing, builds the Linux and the Windows programs, and runs
# every test through CTest: the Linux suites natively, the Windows suites
# under Wine (their libraries are cross-built once into build-windows/deps).
# Arguments go to both CTest runs. QUELBO_SKIP_WINDOWS=1 leaves Windows out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build}
windows=${WINDOWS_BUILD_DIR:-build-windows}
windowsBuild=""
if [ "${QUELBO_SKIP_WINDOWS:-0}" != 1 ]; then
  WINDOWS_BUILD_DIR=$windows scripts/build-windows.sh
  windowsBuild=$(cd "$windows" && pwd)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELBO_WINDOWS_BUILD="$windowsBuild" >/dev/null
cmake --build "$build"

status=0
ctest --test-dir "$build" --output-on-failure --timeout 600 -j2 "$@" || status=$?
if [ -n "$windowsBuild" ]; then
  started=$(date +%s)
  ctest --test-dir "$windows" --output-on-failure --timeout 600 -j2 "$@" || status=$?
  echo "test.sh: the Windows suites under Wine took $(($(date +%s) - started)) s"
fi
exit "$status"

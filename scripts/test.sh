#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --timeout 600 -j2 "$@"

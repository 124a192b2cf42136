#!/usr/bin/env bash
# Builds the Windows executables into build-windows/ (or $WINDOWS_BUILD_DIR)
# with the mingw-w64 cross compiler: scripts/build-windows.sh [CMAKE ARGS...],
# for example -DQUELBO_UPDATE_HOST=host:port -DQUELBO_UPDATE_PUBLIC_KEY=KEY.
# Installs what is missing, and cross-builds the libraries once into
# build-windows/deps, where later runs find them. QUELBO_TARGETS (a list of
# target names) builds only those.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WINDOWS_BUILD_DIR:-build-windows}
scripts/install-windows-deps.sh
mkdir -p "$build"
prefix=$(cd "$build" && pwd)/deps
scripts/windows/build-libraries.sh "$prefix"
nice cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DQUELBO_WINDOWS_PREFIX="$prefix" "$@" >/dev/null
targets=()
for t in ${QUELBO_TARGETS:-}; do targets+=(--target "$t"); done
nice cmake --build "$build" "${targets[@]}"

#!/usr/bin/env bash
# Runs the updater's main job. For now: builds and shows the main window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target quelbo-updater
exec build/app/quelbo-updater

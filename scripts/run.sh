#!/usr/bin/env bash
# Installs what is missing, builds, and opens the tool.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=${VARNOSET_RUN_BUILD:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

exec "$build/app/varnoset"

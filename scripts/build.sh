#!/usr/bin/env bash
# Configures and builds into ./build (or $QMS_BUILD_DIR) with Ninja.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${QMS_BUILD_DIR:-build}
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir"

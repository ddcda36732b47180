#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
# QMS_TEST_REPEAT=N runs every test up to N times and stops at its first failure (flake hunt).
ctest --test-dir "${QMS_BUILD_DIR:-build}" --no-tests=error --output-on-failure -j2 \
  --repeat "until-fail:${QMS_TEST_REPEAT:-1}"

#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the built-in simulated module.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QMS_REGISTRY=${QMS_REGISTRY:-:memory:}
if [ -x build/bin/qms6093 ]; then
  build/bin/qms6093 list && build/bin/qms6093 temp -d 0 -c 0-7 -t K
else
  build/bin/qms-sim-example
fi

#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the built-in simulated module:
# the installed devices, the temperature of every thermocouple channel, the other inputs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QMS_REGISTRY=${QMS_REGISTRY:-:memory:}
for command in "list" "temp -d 0" "read -d 0 -c 4-5"; do
  echo "\$ qms6093 $command"
  # shellcheck disable=SC2086  # the words of the command are meant to split
  build/bin/qms6093 $command
  echo
done

#!/usr/bin/env bash
# Installs what is missing, builds what the main job runs (the libraries and qms6093, not
# the tests) and runs it on the built-in simulated module: the installed devices, the
# temperature of every thermocouple channel, the other inputs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
dir=${QMS_BUILD_DIR:-build}
cmake -S . -B "$dir" -G Ninja >/dev/null
# qms6093 brings the libraries it links and the stream driver the platform loads.
cmake --build "$dir" --target qms6093cli
export QMS_REGISTRY=${QMS_REGISTRY:-:memory:}
for command in "list" "temp -d 0" "read -d 0 -c 4-5"; do
  echo "\$ qms6093 $command"
  # shellcheck disable=SC2086  # the words of the command are meant to split
  "$dir/bin/qms6093" $command
  echo
done

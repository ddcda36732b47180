#!/usr/bin/env bash
# qms6093 builds against the installed package alone: installs the built project into a
# scratch prefix, builds tools/qms6093 as a project of its own against that prefix and runs
# it there. Its includes must be its own files or the public headers below.
#   bash tests/tools/build_against_install.sh [build dir, default build]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
allowed='qms6093.h qms6093ext.h qms6093_dialogs.h qms_platform.h qms_regfile.h qms_sim.h qms_text.h qms_ui.h'

status=0
for include in $(grep -ho '#include "[^"]*"' tools/qms6093/*.cpp tools/qms6093/*.h | cut -d'"' -f2 | sort -u); do
  if [ ! -f "tools/qms6093/$include" ] && [[ " $allowed " != *" $include "* ]]; then
    echo "tools/qms6093 includes $include, which is not part of the public API" >&2
    status=1
  fi
done
[ "$status" -eq 0 ] || exit "$status"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
# The manual pages and bash completions, made from the programs' help text, come with them.
for name in qms6093 qmsreg; do
  grep -q "^\.SH COMMANDS" "$scratch/prefix/share/man/man1/$name.1"
  bash -c "source '$scratch/prefix/share/bash-completion/completions/$name' && complete -p $name" >/dev/null
done
cmake -S tools/qms6093 -B "$scratch/build" -G Ninja -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
cmake --build "$scratch/build"
QMS_REGISTRY=:memory: XDG_STATE_HOME="$scratch/state" "$scratch/build/qms6093" list
echo "qms6093 builds and runs against the installed package alone"

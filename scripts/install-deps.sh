#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds with, when any is missing.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config g++-multilib
          libsqlite3-dev nlohmann-json3-dev libcli11-dev
          libgtest-dev libgmock-dev libbenchmark-dev python3 python3-pytest python3-venv
          qt6-base-dev libqt6test6 qt6-qpa-plugins fonts-dejavu-core
          libusb-1.0-0-dev libumockdev-dev umockdev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

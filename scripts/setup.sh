#!/usr/bin/env bash
# Installs what the build needs on a Debian machine (only what is missing), then
# configures and builds into the folder given as $1 with the CMake options that follow.
set -euo pipefail
cd "$(dirname "$0")/.."

PKGS=(cmake g++ make pkg-config ccache qtbase5-dev qtbase5-dev-tools
      libboost-dev libhidapi-dev fonts-wqy-microhei fonts-dejavu-core)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

build="${1:-build}"
shift || true
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"

#!/usr/bin/env bash
# Installs what the build needs on a Debian machine (only what is missing), then
# configures and builds into the folder given as $1 with the CMake options that follow:
# every target, or only BUILD_TARGET (and what it needs) when that is set.
set -euo pipefail
cd "$(dirname "$0")/.."

PKGS=(cmake g++ make pkg-config ccache qtbase5-dev qtbase5-dev-tools
      libboost-dev libhidapi-dev libvncserver-dev libxcb1-dev libxcb-icccm4-dev libxcb-keysyms1-dev
      fonts-wqy-microhei fonts-dejavu-core)
scripts/apt-missing.sh "${PKGS[@]}"

build="${1:-build}"
shift || true
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)" ${BUILD_TARGET:+--target "$BUILD_TARGET"}

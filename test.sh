#!/usr/bin/env bash
# Builds and runs every test; non-zero exit when any fails.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh build
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"

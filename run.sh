#!/usr/bin/env bash
# Builds the panel (the program alone: ./test.sh builds the tests) and starts it on the
# simulated device. Arguments go to yuqK87N.
# Without an X display that answers (a Wayland-only session or a stale DISPLAY included)
# the panel is served over VNC on localhost port ${VNC_PORT:-5900}; VNC_ADDR=0.0.0.0 opens
# it to other machines (no password).
set -euo pipefail
cd "$(dirname "$0")"
echo "Building the panel into build/ (the first build takes a few minutes)."
BUILD_TARGET=yuqK87N scripts/setup.sh build
export DEVICE_ROOT="${DEVICE_ROOT:-$PWD/device-root}"
source scripts/x_display.sh
panel_args "$@"
exec build/app/yuqK87N "${PANEL_ARGS[@]+"${PANEL_ARGS[@]}"}"

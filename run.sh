#!/usr/bin/env bash
# Builds the panel (the program alone: ./test.sh builds the tests) and starts it on the
# simulated device. Arguments go to yuqK87N.
# Without an X display (a Wayland-only session included) the panel is served over VNC on
# localhost port ${VNC_PORT:-5900}; VNC_ADDR=0.0.0.0 opens it to other machines (no password).
set -euo pipefail
cd "$(dirname "$0")"
echo "Building the panel into build/ (the first build takes a few minutes)."
BUILD_TARGET=yuqK87N scripts/setup.sh build
export DEVICE_ROOT="${DEVICE_ROOT:-$PWD/device-root}"
args=("$@")
has_platform=0
for a in "${args[@]+"${args[@]}"}"; do
  case "$a" in -platform|--platform) has_platform=1 ;; esac
done
if [ $has_platform -eq 0 ] && [ -z "${QT_QPA_PLATFORM:-}" ] && [ -z "${DISPLAY:-}" ]; then
  echo "No X display: the panel is served over VNC."
  args=(-platform "vnc:size=320x240:port=${VNC_PORT:-5900}:addr=${VNC_ADDR:-127.0.0.1}" "${args[@]+"${args[@]}"}")
fi
exec build/app/yuqK87N "${args[@]+"${args[@]}"}"

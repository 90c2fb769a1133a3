#!/usr/bin/env bash
# Builds and starts the panel on the simulated device. Arguments go to yuqK87N.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh build
export DEVICE_ROOT="${DEVICE_ROOT:-$PWD/device-root}"
args=("$@")
has_platform=0
for a in "${args[@]+"${args[@]}"}"; do [ "$a" = "-platform" ] && has_platform=1; done
if [ $has_platform -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: the panel is served over VNC. Connect a viewer to localhost:5900 (e.g. 'vncviewer localhost:0')."
  args=(-platform vnc:size=320x240:port=5900 "${args[@]+"${args[@]}"}")
fi
exec build/app/yuqK87N "${args[@]+"${args[@]}"}"

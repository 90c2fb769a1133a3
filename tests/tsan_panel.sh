#!/usr/bin/env bash
# The whole panel under ThreadSanitizer: builds the app with the sanitizer and the Qt lock
# interposer (build-tsan-panel/, -DTSAN=ON -DTSAN_PANEL=ON), starts it served on VNC at a
# free local port on a fresh device root, drives it for a bounded time through the control
# FIFO (tests/panel_drive.sh) while a viewer asks for frames and sends keys all along
# (tests/vnc_drive.py), and fails on any sanitizer report (tests/tsan_panel.supp lets by
# only what Qt's own libraries do), or when the panel dies during the run.
#   tests/tsan_panel.sh [SECONDS] [START]     (default 60 s, start value 1)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"; start="${2:-1}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD/..}"
scripts/setup.sh build-tsan-panel -DTSAN=ON -DTSAN_PANEL=ON >/dev/null
command -v python3 >/dev/null || scripts/apt-missing.sh python3 >/dev/null
source scripts/wait_for.sh

work="$(mktemp -d)"
pid=""; viewer=""
trap 'kill $pid $viewer 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/root" "$work/stick/YUQ-K64"
echo package > "$work/stick/YUQ-K64/app.YUQ"
export TSAN_OPTIONS="halt_on_error=0:second_deadlock_stack=1:history_size=4:suppressions=$PWD/tests/tsan_panel.supp:log_path=$work/tsan"
unset QT_QPA_PLATFORM
# On a free port from 5960 on; another program may take it meanwhile: then the next one.
port=5959
for _ in $(seq 10); do
  port=$((port + 1))
  while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
  DEVICE_ROOT="$work/root" build-tsan-panel/app/yuqK87N -platform "vnc:size=320x240:port=$port" >"$work/panel.log" 2>&1 &
  pid=$!
  wait_for 60 grep -sq "VNC: the panel is served\|cannot be opened" "$work/panel.log" || break
  grep -q "VNC: the panel is served" "$work/panel.log" && break
  wait "$pid" || true
  pid=""
done
grep -q "VNC: the panel is served" "$work/panel.log" || { echo "tsan panel: no VNC server:"; cat "$work/panel.log"; exit 1; }

tests/vnc_drive.py "$port" "$seconds" "$start" >"$work/viewer.out" &
viewer=$!
sent=$(tests/panel_drive.sh "$work/root" "$seconds" "$start" "$work/stick")
wait "$viewer" || { echo "tsan panel: the viewer failed"; exit 1; }
viewer=""
read -r frames vkeys connections <"$work/viewer.out"
sleep 3 # the last lines run
alive=1
kill -0 "$pid" 2>/dev/null || alive=0
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

reports=$(cat "$work"/tsan.* 2>/dev/null | grep -c "WARNING: ThreadSanitizer" || true)
echo "tsan panel: $seconds s, $sent control lines, $(grep -c '^sim control: key' "$work/panel.log" || true) keys run, a viewer: $frames frames, $vkeys keys, $connections connections; $reports reports"
if [ "$reports" -gt 0 ]; then
  cat "$work"/tsan.*
  exit 1
fi
if [ "$alive" = 0 ]; then
  echo "tsan panel: the panel died during the run"; tail -50 "$work/panel.log"
  exit 1
fi

#!/usr/bin/env bash
# The whole panel under ThreadSanitizer: builds the app with the sanitizer and the Qt lock
# interposer (build-tsan-panel/, -DTSAN=ON -DTSAN_PANEL=ON), starts it offscreen on a
# fresh device root, drives it for a bounded time through the control FIFO
# (tests/panel_drive.sh) and fails on any sanitizer report (tests/tsan_panel.supp lets by
# only what Qt's own libraries do), or when the panel dies during the run.
#   tests/tsan_panel.sh [SECONDS] [START]     (default 60 s, start value 1)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"; start="${2:-1}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD/..}"
scripts/setup.sh build-tsan-panel -DTSAN=ON -DTSAN_PANEL=ON >/dev/null

work="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/root" "$work/stick/YUQ-K64"
echo package > "$work/stick/YUQ-K64/app.YUQ"
export TSAN_OPTIONS="halt_on_error=0:second_deadlock_stack=1:history_size=4:suppressions=$PWD/tests/tsan_panel.supp:log_path=$work/tsan"
DEVICE_ROOT="$work/root" QT_QPA_PLATFORM=offscreen build-tsan-panel/app/yuqK87N >"$work/panel.log" 2>&1 &
pid=$!

sent=$(tests/panel_drive.sh "$work/root" "$seconds" "$start" "$work/stick")
sleep 3 # the last lines run
alive=1
kill -0 "$pid" 2>/dev/null || alive=0
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

reports=$(cat "$work"/tsan.* 2>/dev/null | grep -c "WARNING: ThreadSanitizer" || true)
echo "tsan panel: $seconds s, $sent control lines, $(grep -c '^sim control: key' "$work/panel.log" || true) keys run, $reports reports"
if [ "$reports" -gt 0 ]; then
  cat "$work"/tsan.*
  exit 1
fi
if [ "$alive" = 0 ]; then
  echo "tsan panel: the panel died during the run"; tail -50 "$work/panel.log"
  exit 1
fi

#!/usr/bin/env bash
# Under X without a window manager (an Xvfb) a window shown again lies where the panel's
# own order puts it: the X display equals the panel's screenshot with the number pad over
# LED size opened once, then a second time (its window made before the dialogs over it).
# Usage: x_stack.sh YUQK87N OUTDIR (a pair that differs is left there). Exit 77 (skipped)
# only when Xvfb, xwd or netpbm cannot be installed.
set -euo pipefail
bin=$1
out=$2
source "$(dirname "$0")/../scripts/wait_for.sh"
need_packages xvfb x11-apps netpbm
scratch "$out"

unset QT_QPA_PLATFORM
Xvfb -displayfd 3 -screen 0 320x240x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 20 test -s "$work/display" || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(cat "$work/display")"
DEVICE_ROOT="$work/root" "$bin" -platform xcb >"$work/panel.log" 2>&1 &
pids+=($!)
fifo=$work/root/sim/control
wait_for 20 test -p "$fifo" || { echo "the panel did not start:"; cat "$work/panel.log"; exit 1; }

keys() {
  local k
  for k in "$@"; do send_line "$fifo" "key $k"; done
}
# The screenshot runs after the keys sent before it; the X display may come later.
same() {
  rm -f "$work/root/tmp/shot.png"
  send_line "$fifo" "screenshot /tmp/shot.png" &&
    wait_for 30 test -s "$work/root/tmp/shot.png" &&
    pngtopnm "$work/root/tmp/shot.png" >"$work/shot.ppm" 2>/dev/null &&
    xwd -root -silent | xwdtopnm >"$work/x.ppm" 2>/dev/null &&
    cmp -s "$work/x.ppm" "$work/shot.ppm"
}
fail=0
check() {
  wait_for 10 same && return 0
  local name=${1// /_}
  pnmtopng "$work/x.ppm" >"$out/$name-x.png" 2>/dev/null || true
  cp "$work/root/tmp/shot.png" "$out/$name-screenshot.png" 2>/dev/null || true
  echo "$1: the X display differs from the screenshot: $out/$name-x.png vs $out/$name-screenshot.png"
  fail=1
}

keys ok right right right ok ok ok ok
check "the pad"
keys back back back ok ok ok
check "the pad opened again"
[ $fail -ne 0 ] || echo "the X display equals the screenshot, the pad opened twice"
exit $fail

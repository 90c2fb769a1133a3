#!/usr/bin/env bash
# What a VNC user sees is what the panel draws: a frame grabbed by a real VNC client
# (TigerVNC's viewer, full screen on a 320x240 Xvfb) equals the offscreen panel's own
# screenshot: the standby and home screens in Chinese, then after every key of a walk over
# the screens in English and in Russian. A third panel takes the same keys under X (the
# Xvfb's second screen), then a burst of keys: no XCB error may appear in its log.
# Usage: vnc_frame.sh YUQK87N OUTDIR. Exit 77 (skipped) only when the client cannot be installed.
set -euo pipefail
bin=$1
out=$2

# One pass from the home screen with the focus on its first item, back to the same: per
# screen the keys pressed there, the frames compared after each.
PASS=(
  "devices|ok back"
  "home|right"
  "source_switch|ok right right right"   # the focus moves round the buttons back to the window tile
  "edid|left ok right ok right right ok ok back back"
  "source_switch_back|back"
  "user_modes|right ok back"
  "settings|right ok"
  "advanced|left ok right right right back"
  "led_size|right ok ok right right ok right ok back back back"
  "mapping_wizard|ok right right right right right right ok right right ok back back back"
  "home_back|left left left"
)

source "$(dirname "$0")/../scripts/wait_for.sh"
need_packages xvfb tigervnc-viewer x11-apps netpbm xdotool
scratch "$out"

unset QT_QPA_PLATFORM DISPLAY
DEVICE_ROOT="$work/off" "$bin" -platform offscreen >"$out/offscreen.log" 2>&1 &
pids+=($!)
# Screen 0 shows the client, screen 1 the X panel.
Xvfb -displayfd 3 -screen 0 320x240x24 -screen 1 320x240x24 -nolisten tcp -noreset 3>"$work/display" >"$out/xvfb.log" 2>&1 &
pids+=($!)
# The VNC panel on a free port from 5990 on; another program may take the port meanwhile
# (tests run in parallel): then on the next one.
port=5989
served=""
for _ in $(seq 10); do
  port=$((port + 1))
  while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
  DEVICE_ROOT="$work/vnc" "$bin" -platform "vnc:size=320x240:port=$port" >"$out/vnc.log" 2>&1 &
  pids+=($!)
  wait_for 20 grep -sq "VNC: the panel is served\|cannot be opened" "$out/vnc.log" || break
  if grep -q "VNC: the panel is served" "$out/vnc.log"; then served=1; break; fi
  wait "${pids[-1]}" || true # it stops, and leaves its device root to the next
done
[ -n "$served" ] || { echo "no VNC server:"; cat "$out/vnc.log"; exit 1; }

wait_for 20 test -s "$work/display" || { echo "Xvfb did not start:"; cat "$out/xvfb.log"; exit 1; }
wait_for 20 test -p "$work/off/sim/control" || { echo "offscreen panel did not start:"; cat "$out/offscreen.log"; exit 1; }
display=":$(cat "$work/display")"
DISPLAY="$display.1" DEVICE_ROOT="$work/x" "$bin" >"$out/x.log" 2>&1 &
pids+=($!)
wait_for 20 test -p "$work/x/sim/control" || { echo "X panel did not start:"; cat "$out/x.log"; exit 1; }
export DISPLAY="$display.0"
# No F8 menu key: its hint would cover the first seconds of the frame.
xtigervncviewer -FullScreen -ViewOnly -MenuKey= "127.0.0.1::$port" >"$out/viewer.log" 2>&1 &
pids+=($!)

# Every control line goes to the three panels alike.
panels=("$work/vnc" "$work/off" "$work/x")
send() {
  local r
  for r in "${panels[@]}"; do send_line "$r/sim/control" "$1"; done
}

grab() { xwd -root -silent | xwdtopnm 2>/dev/null >"$work/vnc.ppm"; }
# screenshot ROOT: the panel's screenshot, in ROOT/tmp/shot.png; its control lines run in
# order, so it shows what the keys sent before it led to.
screenshot() {
  rm -f "$1/tmp/shot.png"
  send_line "$1/sim/control" "screenshot /tmp/shot.png"
  for _ in $(seq 600); do # 30 s
    [ -s "$1/tmp/shot.png" ] && return 0
    sleep 0.05
  done
  return 1
}
shot() { screenshot "$work/off" && pngtopnm "$work/off/tmp/shot.png" >"$work/off.ppm" 2>/dev/null; }
same() { grab && shot && cmp -s "$work/vnc.ppm" "$work/off.ppm"; }

fail=0
steps=0
# check NAME: the two frames agree within the wait (the panels start a moment apart and
# the client updates on its own time; a loaded machine may take seconds).
check() {
  steps=$((steps + 1))
  # The X panel keeps step too (its burst comes at the end).
  screenshot "$work/x" || { echo "$1: the X panel did not answer"; fail=1; }
  if wait_for 15 same; then
    return 0
  fi
  pnmtopng "$work/vnc.ppm" >"$out/$1-vnc.png"
  pnmtopng "$work/off.ppm" >"$out/$1-offscreen.png"
  echo "$1: the frames differ: $out/$1-vnc.png vs $out/$1-offscreen.png"
  fail=1
}
# walk LANG: the pass in language LANG.
walk() {
  local entry screen k n
  send "language $1"
  check "$1-home"
  for entry in "${PASS[@]}"; do
    screen=${entry%%|*}
    n=0
    for k in ${entry#*|}; do
      n=$((n + 1))
      send "key $k"
      check "$1-$screen-$n"
    done
  done
}

check zh-standby
send "key ok"
check zh-home
walk en
walk ru

# Then a burst to the X panel alone, all in one write: keys that open and close screens
# (modal ones too) faster than its window is drawn.
RANDOM=7
burst=()
keys=(ok ok back left right mode A B C D E F G H I J K L M N O P)
for _ in $(seq 600); do burst+=("key ${keys[$((RANDOM % ${#keys[@]}))]}"); done
timeout 10 sh -c 'printf "%s\n" "$@" >"$0"' "$work/x/sim/control" "${burst[@]}"
wait_for 90 screenshot "$work/x" || { echo "burst: the X panel did not answer"; fail=1; }

# Its window shows what it drew (grabbed on either side of the screenshot, alike: a caret
# may blink meanwhile).
x_same() {
  local win
  win=$(DISPLAY="$display.1" xdotool search --onlyvisible --class '^yuqK87N$') &&
    DISPLAY="$display.1" xwd -id "$win" -silent | xwdtopnm >"$work/x1.ppm" 2>/dev/null &&
    screenshot "$work/x" && pngtopnm "$work/x/tmp/shot.png" >"$work/xshot.ppm" 2>/dev/null &&
    DISPLAY="$display.1" xwd -id "$win" -silent | xwdtopnm >"$work/x.ppm" 2>/dev/null &&
    cmp -s "$work/x1.ppm" "$work/x.ppm" && cmp -s "$work/x.ppm" "$work/xshot.ppm"
}
if ! wait_for 30 x_same; then
  pnmtopng "$work/x.ppm" >"$out/burst-window.png" 2>/dev/null || true
  pnmtopng "$work/xshot.ppm" >"$out/burst-screenshot.png" 2>/dev/null || true
  echo "burst: the X window differs from its screenshot: $out/burst-window.png vs $out/burst-screenshot.png"
  fail=1
fi
if grep -q "X error" "$out/x.log"; then
  echo "X errors in the X window:"
  grep "X error" "$out/x.log" | head -5
  fail=1
fi
[ $fail -ne 0 ] || echo "$steps frames: the VNC client's frame equals the offscreen screenshot; the X window equals its screenshot after the burst, no X error"
exit $fail

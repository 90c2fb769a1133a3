#!/usr/bin/env bash
# The panel in one X window (no platform chosen, DISPLAY set), on an Xvfb alone and under
# twm: exactly one mapped window of the panel (an offscreen panel on the same display opens
# none), its content (xwd) what the panel's screenshot shows on standby, home, Settings
# and the number pad over LED size opened, closed and opened again; keys typed into it
# with xdotool 1 ms apart lead where the same control FIFO key lines, one a line, lead an
# offscreen panel (home, Settings, the pad closed); its close (WM_DELETE_WINDOW) ends the panel with status 0 and the
# parameter file whole. On the Xvfb alone the simulated reboot opens the window again, and
# the X server's end ends the panel with status 0, at once while a PC streams writes. A
# window of another client mapped over it and gone again leaves the panel's picture whole.
# A 16-bit display gets VNC, saying why.
# Usage: x_window.sh YUQK87N X_CLOSE OUTDIR (a pair that differs is left in OUTDIR).
# Exit 77 (skipped) only when Xvfb, twm, xdotool, xwd, xwininfo or netpbm cannot be installed.
set -euo pipefail
bin=$1
x_close=$2
out=$3
samples="$(cd "$(dirname "$0")/.." && pwd)/sim/samples"
source "$(dirname "$0")/../scripts/wait_for.sh"
need_packages xvfb twm xfonts-base xdotool x11-apps x11-utils netpbm
scratch "$out"
unset QT_QPA_PLATFORM
fail=0
failed() {
  echo "$wm: $1"
  fail=1
}

# The panel's windows mapped on the display.
windows() { xdotool search --onlyvisible --class '^yuqK87N$' 2>/dev/null || true; }
one_window() { [ "$(windows | wc -l)" -eq 1 ]; }
gone() { ! kill -0 "$1" 2>/dev/null; }
# shot ROOT: the panel's screenshot as PPM in $work/shot.ppm (lines run in order: it shows
# what the keys before it led to).
shot() {
  rm -f "$1/tmp/shot.png"
  send_line "$1/sim/control" "screenshot /tmp/shot.png" &&
    wait_for 30 test -s "$1/tmp/shot.png" &&
    pngtopnm "$1/tmp/shot.png" >"$work/shot.ppm" 2>/dev/null
}
grab() { xwd -id "$win" -silent | xwdtopnm >"$1" 2>/dev/null; }
# The window equals the screenshot taken between two grabs of it that agree: a caret that
# blinks meanwhile cannot part them.
same() {
  win=$(windows)
  grab "$work/x1.ppm" && shot "$root" && grab "$work/x.ppm" &&
    cmp -s "$work/x1.ppm" "$work/x.ppm" && cmp -s "$work/x.ppm" "$work/shot.ppm"
}
check() {
  one_window || { failed "$1: $(windows | wc -l) windows of the panel are mapped"; return; }
  wait_for 20 same && return 0
  local name="$wm-${1// /_}"
  pnmtopng "$work/x.ppm" >"$out/$name-window.png" 2>/dev/null || true
  pnmtopng "$work/shot.ppm" >"$out/$name-screenshot.png" 2>/dev/null || true
  failed "$1: the window differs from the screenshot: $out/$name-window.png vs $out/$name-screenshot.png"
}
# uncovered NAME: another client's window (xlogo) mapped over the panel's and gone again:
# the panel redraws what it exposed, so none of the other's picture stays (check NAME).
uncovered() {
  local WINDOW X Y WIDTH HEIGHT SCREEN cover
  win=$(windows)
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xlogo -geometry "${WIDTH}x${HEIGHT}+$X+$Y" >>"$out/$wm-xlogo.log" 2>&1 &
  cover=$!
  wait_for 20 sh -c 'xwininfo -name xlogo 2>/dev/null | grep -q IsViewable' ||
    failed "$1: no window over the panel's: $(tail -3 "$out/$wm-xlogo.log")"
  kill "$cover" && wait "$cover" 2>/dev/null || true
  check "$1"
}
# type ROLES...: the keys typed into the window in one go, the same FIFO lines to the
# offscreen panel one a line.
declare -A keysym=([ok]=F6 [right]=F5 [left]=F4 [back]=o)
type_keys() {
  local k syms=()
  for k in "$@"; do
    syms+=("${keysym[$k]}")
    send_line "$off/sim/control" "key $k"
  done
  xdotool key --delay 1 "${syms[@]}"
}
# as_lines NAME: the keys typed so far led where the same lines led the offscreen panel.
# (Not compared with the number pad open: whether its text shows selected depends on when
# the platform activates it, on any platform.)
as_lines() {
  wait_for 20 eval 'shot "$root" && mv "$work/shot.ppm" "$work/typed.ppm" && shot "$off" && cmp -s "$work/typed.ppm" "$work/shot.ppm"' &&
    return 0
  local name="$wm-${1// /_}"
  pnmtopng "$work/typed.ppm" >"$out/$name-typed.png" 2>/dev/null || true
  pnmtopng "$work/shot.ppm" >"$out/$name-lines.png" 2>/dev/null || true
  failed "$1: the keys typed lead elsewhere than the FIFO's lines: $out/$name-typed.png vs $out/$name-lines.png"
}
# start_panel ROOT: the panel on the display, its process id in $panel.
start_panel() {
  DEVICE_ROOT="$1" "$bin" >>"$out/$wm-panel.log" 2>&1 &
  panel=$!
  pids+=("$panel")
}
# ended REASON: the panel ended within the wait, with status 0, saying REASON.
ended() {
  local status=0
  wait_for 30 gone "$panel" || { failed "the panel did not end: $1"; return; }
  wait "$panel" || status=$?
  [ "$status" -eq 0 ] || failed "the panel ended with status $status: $1"
  grep -q "$1" "$out/$wm-panel.log" || failed "the panel did not say \"$1\""
}

# round: one display ($wm: none or twm) with its panels.
round() {
  # No reset when the last client (the probe below) leaves, as a desktop's server runs: a
  # connection made during a reset waits for it.
  Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$work/display" >"$out/$wm-xvfb.log" 2>&1 &
  xvfb=$!
  pids+=("$xvfb")
  wait_for 20 test -s "$work/display" || { echo "Xvfb did not start:"; cat "$out/$wm-xvfb.log"; exit 1; }
  export DISPLAY=":$(cat "$work/display")"
  rm -f "$work/display"
  wait_for 20 xwininfo -root >/dev/null 2>&1 || { echo "Xvfb at $DISPLAY takes no client:"; cat "$out/$wm-xvfb.log"; exit 1; }
  if [ $wm = twm ]; then
    # Placed by twm at once (its default asks the user to place each new window).
    printf 'NoGrabServer\nRandomPlacement\n' >"$work/twmrc"
    twm -f "$work/twmrc" >"$out/twm.log" 2>&1 &
    pids+=($!)
    wait_for 20 sh -c 'xwininfo -root -tree | grep -q "TWM Icon Manager"' || { echo "twm did not start:"; cat "$out/twm.log"; exit 1; }
  fi
  root=$work/$wm
  off=$work/$wm-off
  DEVICE_ROOT="$off" "$bin" -platform offscreen >"$out/$wm-offscreen.log" 2>&1 &
  pids+=($!)
  start_panel "$root"
  wait_for 30 one_window || { failed "no window of the panel: $(tail -3 "$out/$wm-panel.log")"; return; }
  wait_for 30 shot "$off" || { failed "the offscreen panel did not start"; return; }
  win=$(windows)
  xdotool mousemove --window "$win" 160 120 windowfocus --sync "$win" || failed "the window takes no focus"
  check "standby"
  type_keys ok
  check "home"
  as_lines "home"
  type_keys right right right ok
  check "Settings"
  as_lines "Settings"
  type_keys ok ok ok
  check "the pad"
  type_keys back back back
  check "the pad closed"
  as_lines "the pad closed"
  type_keys ok ok ok
  check "the pad again"
  uncovered "uncovered"

  # Closed as a window manager's close button asks.
  "$x_close" "$win" || failed "no close message sent"
  ended "The panel's window was closed: the panel ends."
  file=$root/data/ram_device_info
  if [ "$(stat -c %s "$file")" != 4096 ] || [ "$(od -An -tx1 -N2 "$file" | tr -d ' ')" != aaaa ]; then
    failed "the parameter file is not whole after the close"
  fi

  if [ $wm = none ]; then
    # The reboot after an application installed from a stick: the next program opens its
    # window again.
    start_panel "$root"
    wait_for 30 one_window || failed "no window after a start on a used root"
    lines="language en"$'\n'
    for k in ok right right right ok right right right ok right right ok; do lines+="key $k"$'\n'; done
    lines+="stick in $samples/upgrade_stick"
    send_line "$root/sim/control" "$lines" || failed "the panel takes no control lines"
    wait_for 60 grep -q 'app_v2.1.YUQ"' "$out/$wm-panel.log" || failed "the stick's packages were not listed"
    for _ in $(seq 10); do
      grep -q "shell: cp " "$out/$wm-panel.log" && break
      send_line "$root/sim/control" "key ok" || true
      sleep 1
    done
    if wait_for 60 grep -q "reboot: the simulated device reboots" "$out/$wm-panel.log" &&
       wait_for 30 sh -c '[ "$(grep -c "^device root:" "$0")" -ge 3 ]' "$out/$wm-panel.log"; then
      wait_for 30 one_window || failed "no window after the reboot"
      check "after the reboot"
    else
      failed "no reboot"
    fi
    # The X server goes away while a PC streams writes (each one a write-back that holds the
    # GUI thread): the panel ends at once all the same, and no line after its saying runs.
    (
      for i in $(seq 3000); do
        gone "$panel" && break
        printf 'pc image 0x880 %02x00\n' $((i % 100 + 1))
        sleep 0.01
      done
    ) >"$root/sim/control" 2>/dev/null &
    pids+=($!)
    wait_for 30 sh -c '[ "$(grep -c "^sim control: pc image" "$0")" -ge 20 ]' "$out/$wm-panel.log" ||
      failed "the PC's writes did not run"
    kill "$xvfb"
    ended "The X display $DISPLAY has gone: the panel ends."
    if sed -n '/has gone: the panel ends/,$p' "$out/$wm-panel.log" | grep -q "^sim control:"; then
      failed "control lines ran after the panel said it ends"
    fi
  fi
}

for wm in none twm; do
  round
  if grep -q "X error" "$out/$wm-panel.log"; then
    failed "X errors: $(grep "X error" "$out/$wm-panel.log" | head -3)"
  fi
  # The next round on a display of its own.
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  pids=()
done
# A display whose screen cannot show the window (16-bit colour): the panel says why and is
# served over VNC instead, on VNC_PORT.
wm=16bit
Xvfb -displayfd 3 -screen 0 320x240x16 -nolisten tcp -noreset 3>"$work/display" >"$out/$wm-xvfb.log" 2>&1 &
pids+=($!)
wait_for 20 test -s "$work/display" || { echo "Xvfb did not start:"; cat "$out/$wm-xvfb.log"; exit 1; }
export DISPLAY=":$(cat "$work/display")"
# A free port from 6990 on; another program may take it meanwhile: then the next one.
port=6989
for _ in $(seq 10); do
  port=$((port + 1))
  while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
  VNC_PORT=$port start_panel "$work/$wm"
  wait_for 30 grep -q "VNC: the panel is served\|cannot be opened" "$out/$wm-panel.log" || break
  grep -q "cannot be opened" "$out/$wm-panel.log" || break
  wait "$panel" || true
  : >"$out/$wm-panel.log"
done
if ! grep -q "VNC: the panel is served at 127.0.0.1 port $port" "$out/$wm-panel.log" ||
   ! grep -q "The X display $DISPLAY cannot show the panel (its screen is not 24-bit true colour): the panel is served over VNC." "$out/$wm-panel.log"; then
  failed "no fall-back to VNC: $(head -3 "$out/$wm-panel.log")"
fi
[ -z "$(windows)" ] || failed "a window was opened"

[ $fail -ne 0 ] || echo "one window under Xvfb alone and under twm, equal to the screenshot; keys as FIFO lines; close and the display's end end the panel with status 0"
exit $fail

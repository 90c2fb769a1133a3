#!/usr/bin/env bash
# What a VNC user sees is what the panel draws: a frame grabbed by a real VNC client
# (TigerVNC's viewer, full screen on a 320x240 Xvfb) equals the offscreen panel's own
# screenshot of the same screen, for each state below.
# Usage: vnc_frame.sh YUQK87N OUTDIR. Exit 77 (skipped) only when the client cannot be installed.
set -euo pipefail
bin=$1
out=$2

# screen name, then the control lines that lead there from the one before
STATES=(
  "standby|"
  "home|key ok"
)

PKGS=(xvfb tigervnc-viewer x11-apps netpbm)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo -n"
  if ! { $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"; } >/dev/null 2>&1; then
    echo "SKIP: cannot install ${missing[*]} (needs root or password-less sudo)"
    exit 77
  fi
fi

rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]+"${pids[@]}"}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

port=""
for p in $(seq 5990 6190); do
  if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then port=$p; break; fi
done
[ -n "$port" ] || { echo "no free port from 5990 on"; exit 1; }

unset QT_QPA_PLATFORM DISPLAY
DEVICE_ROOT="$work/vnc" "$bin" -platform "vnc:size=320x240:port=$port" >"$out/vnc.log" 2>&1 &
pids+=($!)
DEVICE_ROOT="$work/off" "$bin" -platform offscreen >"$out/offscreen.log" 2>&1 &
pids+=($!)
Xvfb -displayfd 3 -screen 0 320x240x24 -nolisten tcp 3>"$work/display" >"$out/xvfb.log" 2>&1 &
pids+=($!)

source "$(dirname "$0")/../scripts/wait_for.sh"
wait_for 20 grep -q "VNC: the panel is served" "$out/vnc.log" || { echo "no VNC server:"; cat "$out/vnc.log"; exit 1; }
wait_for 20 test -s "$work/display" || { echo "Xvfb did not start:"; cat "$out/xvfb.log"; exit 1; }
wait_for 20 test -p "$work/off/sim/control" || { echo "offscreen panel did not start:"; cat "$out/offscreen.log"; exit 1; }
DISPLAY=":$(cat "$work/display")"
export DISPLAY
# No F8 menu key: its hint would cover the first seconds of the frame.
xtigervncviewer -FullScreen -ViewOnly -MenuKey= "127.0.0.1::$port" >"$out/viewer.log" 2>&1 &
pids+=($!)

grab() { xwd -root -silent | xwdtopnm 2>/dev/null >"$work/vnc.ppm"; }
shot() {
  rm -f "$work/off/tmp/shot.png"
  send_line "$work/off/sim/control" "screenshot /tmp/shot.png"
  wait_for 5 test -s "$work/off/tmp/shot.png" && pngtopnm "$work/off/tmp/shot.png" >"$work/off.ppm" 2>/dev/null
}
same() { grab && shot && cmp -s "$work/vnc.ppm" "$work/off.ppm"; }

fail=0
for s in "${STATES[@]}"; do
  name=${s%%|*}
  lines=${s#*|}
  if [ -n "$lines" ]; then
    IFS=';' read -ra cmds <<<"$lines"
    for c in "${cmds[@]}"; do
      send_line "$work/vnc/sim/control" "$c"
      send_line "$work/off/sim/control" "$c"
    done
  fi
  # The two panels start a moment apart and the client updates on its own time: the
  # frames must agree within the wait.
  if wait_for 30 same; then
    echo "$name: the VNC client's frame equals the offscreen screenshot"
  else
    pnmtopng "$work/vnc.ppm" >"$out/$name-vnc.png"
    pnmtopng "$work/off.ppm" >"$out/$name-offscreen.png"
    echo "$name: the frames differ: $out/$name-vnc.png vs $out/$name-offscreen.png"
    fail=1
  fi
done
exit $fail

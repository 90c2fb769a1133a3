#!/usr/bin/env bash
# run.sh's choice of platform: a DISPLAY where no X server answers (a local one without its
# socket or with a stale one, a TCP one without a listener) gets the VNC platform and one
# line saying why, as no DISPLAY does; a display that answers (an Xvfb, local and over TCP,
# and local without python3 nor TCP; skipped when Xvfb is missing) and a platform chosen by
# the user are left alone.
set -euo pipefail
source "$(dirname "$0")/../scripts/x_display.sh"
unset QT_QPA_PLATFORM
fail=0
vnc="vnc:size=320x240:port=5900:addr=127.0.0.1"
# expect DISPLAY LINE ARGS... -- EXPECTED...: panel_args ARGS gives EXPECTED and prints LINE.
expect() {
  local display=$1 line=$2 out; shift 2
  local given=() want=()
  while [ "$1" != -- ]; do given+=("$1"); shift; done
  shift; want=("$@")
  out=$(DISPLAY=$display VNC_PORT= VNC_ADDR= panel_args "${given[@]+"${given[@]}"}"; printf '%s\n' "${PANEL_ARGS[@]+"${PANEL_ARGS[@]}"}")
  if [ "$out" != "$(printf '%s\n' ${line:+"$line"} "${want[@]+"${want[@]}"}")" ]; then
    echo "DISPLAY=$display ${given[*]-}: got:"; printf '  %s\n' "$out"; fail=1
  fi
}
tcp_open() { timeout 2 bash -c 'exec 3<>"/dev/tcp/127.0.0.1/$0"' "$1" 2>/dev/null; }

n=77
while [ -e "/tmp/.X11-unix/X$n" ] || tcp_open $((6000 + n)); do n=$((n + 1)); done
expect "" "No X display: the panel is served over VNC." -x -- -platform "$vnc" -x
expect ":$n" "The X display :$n does not answer: the panel is served over VNC." -x -- -platform "$vnc" -x
expect ":$n.0" "The X display :$n.0 does not answer: the panel is served over VNC." -- -platform "$vnc"
expect "localhost:$n" "The X display localhost:$n does not answer: the panel is served over VNC." -- -platform "$vnc"
expect ":$n" "" -platform offscreen -- -platform offscreen
QT_QPA_PLATFORM=offscreen expect ":$n" "" --

# A socket file nobody answers (an X server that died leaves it) is no display, python3 there
# to try it or not.
m=$((n + 1))
while [ -e "/tmp/.X11-unix/X$m" ] || tcp_open $((6000 + m)); do m=$((m + 1)); done
if [ -w /tmp/.X11-unix ] &&
   perl -MSocket -e 'my $s; socket($s, AF_UNIX, SOCK_STREAM, 0) && bind($s, pack_sockaddr_un($ARGV[0])) or exit 1' \
     "/tmp/.X11-unix/X$m"; then
  expect ":$m" "The X display :$m does not answer: the panel is served over VNC." -- -platform "$vnc"
  python3() { return 127; }
  expect ":$m" "The X display :$m does not answer: the panel is served over VNC." -- -platform "$vnc"
  unset -f python3
  rm -f "/tmp/.X11-unix/X$m"
else
  echo "/tmp/.X11-unix cannot be written: no stale socket was tried"
fi

if command -v Xvfb >/dev/null; then
  work=$(mktemp -d)
  Xvfb -displayfd 3 -noreset -listen tcp -screen 0 320x240x24 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null; wait; rm -rf "$work"' EXIT
  source "$(dirname "$0")/../scripts/wait_for.sh"
  wait_for 30 test -s "$work/display" || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
  x=$(cat "$work/display")
  expect ":$x" "" -x -- -x
  expect "localhost:$x.0" "" --
  # A live local display without python3 (perl tries it) and without TCP to fall back on.
  Xvfb -displayfd 4 -noreset -nolisten tcp -screen 0 320x240x24 4>"$work/display2" >"$work/xvfb2.log" 2>&1 &
  xvfb2=$!
  trap 'kill $xvfb $xvfb2 2>/dev/null; wait; rm -rf "$work"' EXIT
  wait_for 30 test -s "$work/display2" || { echo "Xvfb did not start:"; cat "$work/xvfb2.log"; exit 1; }
  y=$(cat "$work/display2")
  python3() { return 127; }
  expect ":$y" "" --
  unset -f python3
else
  echo "Xvfb is not installed: no display that answers was tried"
fi
exit $fail

# shellcheck shell=bash
# Sourced by run.sh (and its test): the panel's platform arguments.

# x_display_answers DISPLAY: whether an X server takes a connection at DISPLAY
# ([host]:N[.S]), tried as Xlib does: a local one at its socket (the abstract one first),
# then at TCP port 6000+N of this machine; host:N only over TCP. What is not of that form
# is left to Qt (it answers).
x_display_answers() {
  local host=${1%:*} n=${1##*:} rc=0
  n=${n%%.*}
  [[ $1 == *:* && $n =~ ^[0-9]+$ ]] || return 0
  if [ -z "$host" ] || [ "$host" = unix ]; then
    local sock=/tmp/.X11-unix/X$n
    python3 -c 'import socket, sys
for a in ("\0" + sys.argv[1], sys.argv[1]):
    s = socket.socket(socket.AF_UNIX)
    s.settimeout(2)
    try:
        s.connect(a)
        sys.exit(0)
    except OSError:
        pass
sys.exit(3)' "$sock" 2>/dev/null || rc=$?
    [ $rc -eq 0 ] && return 0
    # Without python3, perl (on every Debian system) tries the same. The socket's presence
    # proves nothing: an X server that died leaves it behind.
    if [ $rc -ne 3 ]; then
      timeout 2 perl -MSocket -e 'for my $a ("\0" . $ARGV[0], $ARGV[0]) {
    my $s;
    socket($s, AF_UNIX, SOCK_STREAM, 0) && connect($s, pack_sockaddr_un($a)) and exit 0;
}
exit 3' "$sock" 2>/dev/null && return 0
    fi
    [ -z "$host" ] || return 1
    host=localhost
  fi
  timeout 2 bash -c 'exec 3<>"/dev/tcp/$0/$1"' "$host" $((6000 + n)) 2>/dev/null
}

# panel_args ARGS...: PANEL_ARGS is ARGS, led by the VNC platform when no platform is
# chosen (-platform, $QT_QPA_PLATFORM) and no X display answers; a line says why.
panel_args() {
  PANEL_ARGS=("$@")
  local a
  for a in "$@"; do
    case "$a" in -platform|--platform) return 0 ;; esac
  done
  [ -z "${QT_QPA_PLATFORM:-}" ] || return 0
  if [ -z "${DISPLAY:-}" ]; then
    echo "No X display: the panel is served over VNC."
  elif ! x_display_answers "$DISPLAY"; then
    echo "The X display $DISPLAY does not answer: the panel is served over VNC."
  else
    return 0
  fi
  PANEL_ARGS=(-platform "vnc:size=320x240:port=${VNC_PORT:-5900}:addr=${VNC_ADDR:-127.0.0.1}" "$@")
}

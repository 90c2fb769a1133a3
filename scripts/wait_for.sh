# shellcheck shell=bash
# Sourced by the scripts that drive a running panel.
# wait_for SECONDS COMMAND...: runs COMMAND until it succeeds; fails after SECONDS.
wait_for() {
  local end=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}

# send_line FIFO LINE: one control line; fails instead of blocking when no panel reads,
# and never makes a plain file where the panel is about to make its FIFO.
send_line() {
  timeout 5 sh -c '[ -p "$0" ] && printf "%s\n" "$1" >"$0"' "$1" "$2"
}

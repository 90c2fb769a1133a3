#!/usr/bin/env bash
# Drives a running panel through its control FIFO for a bounded time: a random walk of the
# panel keys (so every screen the keys reach, registered now or later, is visited) mixed
# with the simulated device's events: inputs, ports, FPGAs down and up, PC image writes,
# the stick in and out, PC updates, aging samples and screenshots.
#   tests/panel_drive.sh DEVICE_ROOT SECONDS [START] [STICK_FOLDER]
# Prints the number of lines it sent. Reusable by any run that wants the panel busy.
set -euo pipefail
root="$1"; seconds="$2"; stick="${4:-}"
RANDOM="${3:-1}" # the walk's start value: the same value gives the same walk
fifo="$root/sim/control"
for _ in $(seq 100); do [ -p "$fifo" ] && break; sleep 0.1; done
[ -p "$fifo" ] || { echo "panel_drive: no FIFO at $fifo" >&2; exit 1; }
source "$(dirname "$0")/../scripts/wait_for.sh"
exec 3>"$fifo"
# An application installed from the stick reboots the device: the panel starts again and
# reads its FIFO anew. A write that finds no reader fails (instead of killing this script),
# and the line goes to the new panel once it reads.
trap '' PIPE
put() {
  printf '%s\n' "$1" >&3 2>/dev/null && return 0
  exec 3>&-
  wait_for 60 send_line "$fifo" "$1" || { echo "panel_drive: the panel did not come back" >&2; exit 1; }
  exec 3>"$fifo"
}

pick() { echo $((RANDOM % $1)); }
# A PC write of one 16-bit word, little-endian, at an image offset.
pc_word() { printf 'pc image 0x%X %02x%02x\n' "$1" $(($2 & 255)) $((($2 >> 8) & 255)); }

event() {
  case $(pick 18) in
    0) echo "input $(pick 6) off" ;;
    1) local t=("1920 1080 60" "1280 720 50" "3840 2160 30" "1920 1080 0" "640 480 75")
       echo "input $(pick 6) ${t[$(pick 5)]}" ;;
    2) echo "port $((1 + $(pick 20))) $([ $(pick 2) = 0 ] && echo on || echo off)" ;;
    3) echo "fpga $(pick 2) $([ $(pick 3) = 0 ] && echo down || echo up)" ;;
    4) pc_word 0x880 $(pick 101) ;;                          # brightness
    5) pc_word 0x882 $(pick 101) ;;                          # contrast
    6) pc_word 0x840 $(pick 6) ;;                            # current window
    7) pc_word $((0x8E0 + 26 * (1 + $(pick 5)))) $(pick 2) ;; # a window on or off
    8) pc_word $((0x8E0 + 26 * $(pick 6) + 20)) $([ $(pick 2) = 0 ] && echo 33023 || echo 0) ;; # volume
    9) pc_word 0x562 $((256 * (1 + $(pick 16)))) ;;          # LED width
    10) [ -n "$stick" ] && echo "stick in $stick" || echo "stick out" ;;
    11) echo "stick out" ;;
    12) echo "pc update start" ;;
    13) echo "pc update end" ;;
    14) echo "screenshot /tmp/panel_drive.png" ;;
    15) pc_word 0x304 0 ;;                                    # key lock off, so the walk goes on
    16) echo "age sample $((1 + $(pick 3)))" ;;
    *) echo "cards noreply $([ $(pick 4) = 0 ] && echo on || echo off)" ;;
  esac
}

# Keys: OK and the arrows often, mode and back less (so the walk gets deep), the
# shortcut letters now and then.
key() {
  local r; r=$(pick 20)
  if [ "$r" -lt 5 ]; then echo "key ok"
  elif [ "$r" -lt 10 ]; then echo "key right"
  elif [ "$r" -lt 14 ]; then echo "key left"
  elif [ "$r" -lt 16 ]; then echo "key back"
  elif [ "$r" -lt 17 ]; then echo "key mode"
  else printf 'key %s\n' "$(printf "\\x$(printf %x $((65 + $(pick 16))))")"
  fi
}

sent=0
end=$((SECONDS + seconds))
while [ "$SECONDS" -lt "$end" ]; do
  if [ "$(pick 5)" = 0 ]; then put "$(event)"; else put "$(key)"; fi
  sent=$((sent + 1))
  sleep 0.05
done
# Leave the device calm: no update overlay, no stick, FPGAs up.
for line in "pc update end" "stick out" "fpga 0 up" "fpga 1 up" "cards noreply off"; do put "$line"; done
exec 3>&-
echo "$sent"

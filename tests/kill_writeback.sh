#!/usr/bin/env bash
# kill -9 of the panel while PC writes keep its parameter write-back busy, N times on one
# device root. After every kill the parameter file must be whole (4096 bytes, the 0xAA 0xAA
# marker, a brightness that was written), and the next start must not find it damaged and
# must remove the temp file a cut-short write left.
#   tests/kill_writeback.sh [N]      (default 12; needs ./test.sh's build)
set -euo pipefail
cd "$(dirname "$0")/.."
. tests/panel_run.sh
n="${1:-12}"
work="$(mktemp -d)"; root="$work/root"; mkdir -p "$root"
panel_pid=""
trap 'kill -9 $panel_pid 2>/dev/null || true; rm -rf "$work"' EXIT
file="$root/data/ram_device_info"
cut=0
for i in $(seq "$n"); do
  panel_start "$root" "$work/panel.log"
  if [ -e "$file.tmp" ]; then echo "kill $i: a temp file survived the start"; exit 1; fi
  if ls "$root/data/"ram_device_info.bad* >/dev/null 2>&1; then echo "kill $i: the file was found damaged"; exit 1; fi
  # Brightness 1..100: each write is re-applied and written back (a sync and a pause).
  exec 3>"$root/sim/control"
  for v in $(seq 1 40); do printf 'pc image 0x880 %02x00\n' $(((i * 7 + v) % 100 + 1)) >&3; sleep 0.01; done
  exec 3>&-
  sleep "0.$((RANDOM % 6))"
  kill -9 "$panel_pid"; wait "$panel_pid" 2>/dev/null || true
  [ -e "$file.tmp" ] && cut=$((cut + 1))
  size=$(stat -c %s "$file")
  head=$(od -An -tx1 -N2 "$file" | tr -d ' ')
  bright=$(od -An -tu1 -j $((2 + 0x880 - 0x300)) -N1 "$file" | tr -d ' ')
  if [ "$size" != 4096 ] || [ "$head" != aaaa ] || [ "$bright" -lt 1 ] || [ "$bright" -gt 100 ]; then
    echo "kill $i: parameter file damaged: $size bytes, marker $head, brightness $bright"; exit 1
  fi
done
echo "kill -9 during write-backs: $n kills, $cut of them cut a write short, every file whole"

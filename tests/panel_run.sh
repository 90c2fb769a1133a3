# Sourced by the reliability scripts: start the host build's panel on a device root and wait
# until it answers (a screenshot through the FIFO is written only once the panel exists).
#   panel_start ROOT LOG   sets $panel_pid
panel_start() {
  local root="$1" log="$2"
  DEVICE_ROOT="$root" QT_QPA_PLATFORM=offscreen "${PANEL_EXE:-build/app/yuqK87N}" >"$log" 2>&1 &
  panel_pid=$!
  for _ in $(seq 100); do [ -p "$root/sim/control" ] && break; sleep 0.1; done
  rm -f "$root/tmp/ready.png"
  echo "screenshot /tmp/ready.png" >"$root/sim/control"
  for _ in $(seq 300); do [ -s "$root/tmp/ready.png" ] && return 0; sleep 0.05; done
  echo "panel did not come up:"; tail -20 "$log"; return 1
}

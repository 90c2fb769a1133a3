#!/usr/bin/env bash
# Garbage into the control FIFO of a running panel: random bytes cut into lines, lines far
# over the length limit, known commands with hostile arguments (paths out of the root, the
# device's own files, FIFOs, /proc). The panel must live through it, still answer a
# screenshot, and write nothing outside its device root (it runs in an empty folder that
# must stay empty).
#   tests/garbage_control.sh [SIZE]   (default 20000: about 0.6 x SIZE lines; needs ./test.sh's build)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
. tests/panel_run.sh
lines="${1:-20000}" # scales the amount of each kind
work="$(mktemp -d)"; root="$work/root"; cwd="$work/cwd"; mkdir -p "$root" "$cwd"
panel_pid=""
trap 'kill -9 $panel_pid 2>/dev/null || true; rm -rf "$work"' EXIT
(cd "$cwd" && PANEL_EXE="$top/build/app/yuqK87N" panel_start "$root" "$work/panel.log" && echo "$panel_pid" >"$work/pid")
panel_pid=$(cat "$work/pid")

hostile=("screenshot /../../x.png" "screenshot /data/ram_device_info.png" "screenshot /sim/control"
         "screenshot /tmp/a.jpg" "screenshot /tmp" "stick in /" "stick in /proc" "stick in $root"
         "stick in $root/mnt/usb1" "pc file-deleted /data/rcvrecovery/../ram_device_info"
         "pc file-written 9 /dev/zero" "pc image 4095 0102" "pc image -1 00" "key 0x7fffffff"
         "input 0 99999 1 1" "port 0 on" "fpga 9 up")
# Half random bytes (about one newline in 256), a tenth hostile commands, the rest lines
# over the limit; counted as the newlines actually sent.
{
  head -c $((lines * 128)) /dev/urandom
  for i in $(seq $((lines / 10))); do printf '%s\n' "${hostile[$((i % ${#hostile[@]}))]}"; done
  for i in $(seq $((lines / 100))); do head -c 5000 /dev/urandom | tr -d '\n'; printf 'port 1 off\n'; done
} >"$work/garbage"
sent=$(tr -cd '\n' <"$work/garbage" | wc -c)
cat "$work/garbage" >"$root/sim/control"
sleep 2
rm -f "$root/tmp/after.png"
echo "screenshot /tmp/after.png" >"$root/sim/control"
for _ in $(seq 200); do [ -s "$root/tmp/after.png" ] && break; sleep 0.05; done
kill -0 "$panel_pid" || { echo "the panel died"; tail -20 "$work/panel.log"; exit 1; }
[ -s "$root/tmp/after.png" ] || { echo "the panel no longer answers"; exit 1; }
[ -z "$(ls -A "$cwd")" ] || { echo "written outside the device root:"; ls -la "$cwd"; exit 1; }
[ -s "$root/data/ram_device_info" ] || { echo "the parameter file is gone"; exit 1; }
dropped=$(grep -a -c "line over 4096 bytes dropped" "$work/panel.log" || true)
# The tails of the overlong lines never run.
ran=$(grep -a -c "^sim control: port 1 off" "$work/panel.log" || true)
[ "$ran" = 0 ] || { echo "the tail of an overlong line ran $ran times"; exit 1; }
echo "garbage control lines: $sent lines ($dropped over the limit dropped whole), the panel alive and answering, nothing written outside its root"

#!/usr/bin/env bash
# Remakes the screen gallery (docs/screens.md, docs/screens/*.png): every built screen in
# Chinese, English and Russian, each reached from a freshly started panel (offscreen)
# through the control FIFO and taken with its "screenshot" command.
# Usage: scripts/gallery.sh [YUQK87N]   (default: builds and uses build/app/yuqK87N)
set -euo pipefail
cd "$(dirname "$0")/.."

# One line a screen: file name | caption | the control lines that lead there from the
# standby screen, separated by ";". A new screen adds its line here.
SCREENS=(
  "standby|Standby screen, the first screen after start (OK leads home)|"
  "home|Home screen|key ok"
  "home_tools|Home screen with the tools open|key ok; key left; key ok"
  "home_locked|Home screen, keys locked|key ok; key left; key left; key ok"
  "input_switch|Input switch|key ok; key right; key ok"
  "user_modes|User modes|key ok; key right; key right; key ok"
  "settings|Settings|key ok; key right; key right; key right; key ok"
  "factory|Language and factory reset|key ok; key right; key right; key right; key ok; key left; key ok; key right; key right; key right; key ok"
  "factory_language|Language and factory reset, choosing the language|key ok; key right; key right; key right; key ok; key left; key ok; key right; key right; key right; key ok; key ok; key right"
  "linkwlan|Ethernet settings|key ok; key right; key right; key right; key ok; key right; key right; key right; key ok; key right; key ok"
  "linkwlan_apply|Ethernet settings, Apply focused|key ok; key right; key right; key right; key ok; key right; key right; key right; key ok; key right; key ok; key left; key left"
  "update|Update overlay while the PC updates the device (animated)|pc update start"
  "linkoption|Communication menu|key ok; key right; key right; key right; key ok; key right; key right; key right; key ok"
  "advancedoption|Advanced settings (no recovery file: card recovery gray)|key ok; key right; key right; key right; key ok; key left; key ok"
  "rcv_recovery|Card recovery, with the sample recovery file|pc file-written 9 $PWD/sim/samples/recovery.rcv; key ok; key right; key right; key right; key ok; key left; key ok; key right; key right; key ok"
  "firmware_usbgrade|USB upgrade with no stick|key ok; key right; key right; key right; key ok; key right; key right; key right; key ok; key right; key right; key ok"
  "smartmapping_loadscan|Mapping wizard, Load scan with the sample stick's scan files|stick in $PWD/sim/samples/stick; key ok; key right; key right; key right; key ok; key right; key right; key right; key right; key right; key right; key ok; key right; key ok"
  "smartmapping_files|Mapping wizard, a scan file chosen|stick in $PWD/sim/samples/stick; key ok; key right; key right; key right; key ok; key right; key right; key right; key right; key right; key right; key ok; key right; key ok; key right; key right; key right; key ok"
  "smartmapping_send_failed|Mapping wizard, Send to LED1 without link: the job's failure once its wheel has closed|port 1 off; key ok; key right; key right; key right; key ok; key right; key right; key right; key right; key right; key right; key ok; key ok; key right; key right; key ok; key right; key right; key right; key right; key ok; key right; key right; key right; key right; key right; key right; key ok"
)
# The later screens' lines: docs/gallery.txt, one "file-stem | key key ..." a line (the
# control FIFO's key arguments from the standby screen).
while IFS='|' read -r stem keys; do
  stem=$(echo "$stem" | xargs)
  [ -z "$stem" ] || [ "${stem:0:1}" = "#" ] && continue
  lines=""
  for k in $keys; do lines+="key $k; "; done
  SCREENS+=("$stem|${stem//_/ }|$lines")
done < docs/gallery.txt
LANGS=(zh en ru)
declare -A LANG_NAME=([zh]="中文" [en]="English" [ru]="Русский")

bin=${1:-}
if [ -z "$bin" ]; then
  scripts/setup.sh build
  bin=build/app/yuqK87N
fi
out=docs/screens
mkdir -p "$out"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT

source scripts/wait_for.sh

# One screen in one language: start a panel, switch the language, send the lines, take the picture.
take() {
  local name=$1 lines=$2 lang=$3 root="$work/$1-$3"
  unset QT_QPA_PLATFORM
  DEVICE_ROOT="$root" "$bin" -platform offscreen >"$root.log" 2>&1 &
  local pid=$!
  send() { send_line "$root/sim/control" "$1"; sleep 0.4; }
  # Ready: both FPGAs up and the first screen shown (a screenshot waits for the event loop).
  wait_for 30 grep -qs "fpga 1 running" "$root.log"
  send "screenshot /tmp/ready.png"
  wait_for 30 test -s "$root/tmp/ready.png"
  [ "$lang" = zh ] || send "language $lang"
  local cmds c
  IFS=';' read -ra cmds <<<"$lines"
  for c in "${cmds[@]+"${cmds[@]}"}"; do
    c=$(echo "$c" | xargs)
    [ -z "$c" ] || send "$c"
  done
  sleep 1
  send "screenshot /tmp/shot.png"
  if wait_for 10 test -s "$root/tmp/shot.png"; then
    cp "$root/tmp/shot.png" "$out/${name}_$lang.png"
  else
    echo "gallery: $name ($lang) not taken; the panel said:" >&2
    cat "$root.log" >&2
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

for s in "${SCREENS[@]}"; do
  IFS='|' read -r name caption lines <<<"$s"
  # GALLERY_ONLY=REGEX takes only the pictures of matching names (the page lists them all).
  [[ -n "${GALLERY_ONLY:-}" && ! "$name" =~ ${GALLERY_ONLY} ]] && continue
  for lang in "${LANGS[@]}"; do
    take "$name" "$lines" "$lang" &
  done
  wait
  echo "gallery: $name"
done

{
  echo "# Screen gallery"
  echo
  echo "Every screen built so far, as the panel shows it (320×240), in Chinese, English and"
  echo "Russian. Made by \`scripts/gallery.sh\`, which starts the panel for each picture and"
  echo "drives it through the control FIFO; do not edit by hand. A new screen adds one line"
  echo "to the script's list and the gallery is made again."
  echo
  header="| screen |"
  rule="|---|"
  for lang in "${LANGS[@]}"; do header+=" ${LANG_NAME[$lang]} |"; rule+="---|"; done
  echo "$header"
  echo "$rule"
  for s in "${SCREENS[@]}"; do
    IFS='|' read -r name caption lines <<<"$s"
    row="| $caption<br>\`${lines:-(start)}\` |"
    for lang in "${LANGS[@]}"; do row+=" ![$name, $lang](screens/${name}_$lang.png) |"; done
    echo "$row"
  done
} >docs/screens.md
echo "gallery: docs/screens.md"

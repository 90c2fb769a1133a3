#!/usr/bin/env bash
# Remakes the screen gallery (docs/screens.md, docs/screens/*.png): every built screen in
# Chinese, English and Russian, each reached from a freshly started panel (offscreen)
# through the control FIFO and taken with its "screenshot" command. The device's clock
# stands at one fixed time, so a remake on unchanged code gives the same bytes, pictures
# that show a time included (the update overlay's animation stands with the clock).
# Usage: scripts/gallery.sh [YUQK87N]   (default: builds and uses build/app/yuqK87N)
#   GALLERY_ONLY=REGEX   only the pictures of matching names
#   GALLERY_OUT=FOLDER   the page and its screens/ folder there instead of docs/
set -euo pipefail
cd "$(dirname "$0")/.."

# The pictures, their captions and the steps that lead there: docs/gallery.txt (its head
# says the format). A new screen adds its lines there.
trim() { local s="${1#"${1%%[![:space:]]*}"}"; printf '%s' "${s%"${s##*[![:space:]]}"}"; }
SCREENS=()
while IFS='|' read -r stem caption steps; do
  stem=$(trim "$stem")
  [ -z "$stem" ] || [ "${stem:0:1}" = "#" ] && continue
  SCREENS+=("$stem|$(trim "$caption")|$(trim "$steps")")
done < docs/gallery.txt
LANGS=(zh en ru)
declare -A LANG_NAME=([zh]="中文" [en]="English" [ru]="Русский")

bin=${1:-}
if [ -z "$bin" ]; then
  scripts/setup.sh build
  bin=build/app/yuqK87N
fi
page=${GALLERY_OUT:-docs}
out=$page/screens
mkdir -p "$out"
# The time every picture shows.
CLOCK="2025-06-01 10:25:36"
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
  send "clock $CLOCK"
  [ "$lang" = zh ] || send "language $lang"
  local steps step w
  IFS=';' read -ra steps <<<"$lines"
  for step in "${steps[@]+"${steps[@]}"}"; do
    step=$(trim "$step")
    if [ -z "$step" ]; then
      continue
    elif [[ "$step" =~ ^wait\ ([0-9]+)$ ]]; then
      sleep "${BASH_REMATCH[1]}"
    elif [[ "$step" =~ ^((ok|left|right|back|mode)( |$))+$ ]]; then
      for w in $step; do send "key $w"; done
    else
      # The repository's sample paths, as the panel (started elsewhere) finds them.
      send "${step//sim\/samples\//$PWD/sim/samples/}"
    fi
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
  echo "drives it through the control FIFO; do not edit by hand. A new screen adds its lines"
  echo "to \`docs/gallery.txt\` and the gallery is made again."
  echo
  echo "Under each caption: the keys and control lines that lead there from the standby screen"
  echo "of a freshly started panel (the home screen keeps its focus between visits: on a panel"
  echo "that has shown other screens, start it again first). The device's clock stands at"
  echo "$CLOCK in every picture."
  echo
  header="| screen |"
  rule="|---|"
  for lang in "${LANGS[@]}"; do header+=" ${LANG_NAME[$lang]} |"; rule+="---|"; done
  echo "$header"
  echo "$rule"
  for s in "${SCREENS[@]}"; do
    IFS='|' read -r name caption lines <<<"$s"
    row="| $caption<br>\`${lines:-(start)}\` |"
    for lang in "${LANGS[@]}"; do row+=" ![$caption, ${LANG_NAME[$lang]}](screens/${name}_$lang.png) |"; done
    echo "$row"
  done
} >"$page/screens.md"
echo "gallery: $page/screens.md"

#!/usr/bin/env bash
# The gallery's pictures that show a time (the USB upgrade's start and end, the aging log's
# samples) or an animation (the update overlay) come out byte for byte the same when made
# twice on unchanged code: the gallery sets the device's clock. Usage: gallery_remake.sh YUQK87N OUTDIR (the two makes are left
# in OUTDIR/1 and OUTDIR/2).
set -euo pipefail
bin=$1
out=$2
cd "$(dirname "$0")/.."
timed='^(usb_run|factoryage|update)'
rm -rf "$out"
for n in 1 2; do
  GALLERY_ONLY=$timed GALLERY_OUT="$out/$n" scripts/gallery.sh "$bin" >"$out.log.$n" 2>&1 ||
    { echo "gallery run $n failed:"; cat "$out.log.$n"; exit 1; }
done
shopt -s nullglob
pictures=("$out"/1/screens/*.png)
[ ${#pictures[@]} -ge 9 ] || { echo "only ${#pictures[@]} pictures made:"; cat "$out.log.1"; exit 1; }
fail=0
for p in "${pictures[@]}"; do
  cmp -s "$p" "$out/2/screens/${p##*/}" || { echo "differs between two makes: ${p##*/}"; fail=1; }
done
[ $fail -ne 0 ] || echo "${#pictures[@]} pictures that show a time or an animation, the same bytes in two makes"
exit $fail

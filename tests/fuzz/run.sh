#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each over its committed corpus plus a short
# bounded run. Fails on any crash or sanitizer report, or on a file written outside the
# device root (each target runs in an empty working folder that must stay empty).
set -euo pipefail
cd "$(dirname "$0")/../.."
top=$PWD
build="${FUZZ_BUILD:-build-fuzz}"
secs="${FUZZ_SECONDS:-15}"
CC=clang CXX=clang++ cmake -S . -B "$build" -DFUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"${JOBS:-$(nproc)}"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for exe in "$build"/tests/fuzz/fuzz_*; do
  [ -f "$exe" ] && [ -x "$exe" ] || continue
  name=$(basename "$exe"); name=${name#fuzz_}
  corpus="tests/fuzz/corpus/$name"
  work=$(mktemp -d)
  scratch=$(mktemp -d)
  cp -r "$corpus"/. "$scratch"/ 2>/dev/null || true
  # libFuzzer's default 4 KB cap never reaches the JSON readers' size and depth bounds.
  case $name in
    alias_json|omenu_json) maxlen=(-max_len=300000) ;;
    *) maxlen=() ;;
  esac
  echo "== fuzz $name (${secs}s)"
  (cd "$work" && "$top/$exe" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=1 \
      "${maxlen[@]}" "$scratch" "$top/$corpus" >"$work.log" 2>&1) || { tail -40 "$work.log"; exit 1; }
  grep -E "^Done" "$work.log" | tail -1 || true
  if [ -n "$(ls -A "$work")" ]; then
    echo "fuzz $name wrote outside its device root:"; ls -la "$work"; exit 1
  fi
  rm -rf "$work" "$scratch" "$work.log"
done

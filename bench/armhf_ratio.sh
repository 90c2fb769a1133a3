#!/usr/bin/env bash
# Runs the same tests in the host build and in the armhf build (under qemu-arm), one at a
# time, and prints each test's run time in both and their ratio: a first estimate of how
# much slower the board is than this machine. Non-zero exit when a test fails in either.
#   bench/armhf_ratio.sh [host-build] [armhf-build]     (default: build build-armhf)
# ARMHF_RATIO_JOBS runs that many tests at once (default 1: per-test times without contention).
set -euo pipefail
cd "$(dirname "$0")/.."
host="${1:-build}"
arm="${2:-build-armhf}"
jobs="${ARMHF_RATIO_JOBS:-1}"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# Runs ctest in build folder $1, leaves "name seconds" lines in $2 and the wall time in ns in $2.wall.
run() {
  local t0 rc=0
  t0=$(date +%s%N)
  (
    cd "$1"
    DEVICE_ROOT="$scratch/root" TMPDIR="$scratch" QT_QPA_PLATFORM=offscreen \
      ctest --output-on-failure -j"$jobs"
  ) > "$2.log" 2>&1 || rc=$?
  echo $(( $(date +%s%N) - t0 )) > "$2.wall"
  awk '/Test +#[0-9]+: / && / sec$/ { for (i = 1; i <= NF; i++) if ($i ~ /^#[0-9]+:$/) print $(i + 1), $(NF - 1) }' \
    "$2.log" | sort > "$2"
  if [ $rc -ne 0 ]; then
    cat "$2.log"
    echo "armhf_ratio: tests failed in $1" >&2
    exit $rc
  fi
}

run "$host" "$scratch/host"
run "$arm" "$scratch/arm"

join -a 2 -e - -o 0,1.2,2.2 "$scratch/host" "$scratch/arm" |
  awk -v hw="$(cat "$scratch/host.wall")" -v aw="$(cat "$scratch/arm.wall")" -v j="$jobs" '
    BEGIN { printf "%-28s %9s %9s %7s\n", "test", "host s", "armhf s", "ratio" }
    { r = ($2 != "-" && $2 > 0) ? sprintf("%.1f", $3 / $2) : "-"
      printf "%-28s %9s %9s %7s\n", $1, $2, $3, r }
    END { printf "%-28s %9.1f %9.1f %7.1f\n", "all tests (wall, -j" j ")", hw / 1e9, aw / 1e9, aw / hw
          printf "armhf/host test time ratio: %.1f\n", aw / hw
          printf "armhf: %d passed, 0 failed\n", NR }'

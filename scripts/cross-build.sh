#!/usr/bin/env bash
# Cross-builds the panel and its tests for the board (ARMv7, arm-linux-gnueabihf) into
# build-armhf/, against Debian's armhf multiarch packages. Installs only what is missing.
#   scripts/cross-build.sh [--install-only] [--test] [extra CMake options]
# --install-only  install the packages, build nothing
# --test          then run every test under qemu-arm (offscreen, temporary device root)
# Exit status 3: the armhf packages cannot be installed on this machine.
# The host build (build/) is never touched.
set -euo pipefail
cd "$(dirname "$0")/.."

install_only=0
run_tests=0
cmake_args=()
for a in "$@"; do
  case "$a" in
    --install-only) install_only=1 ;;
    --test) run_tests=1 ;;
    *) cmake_args+=("$a") ;;
  esac
done

# Host tools (moc and rcc run on the build machine, the fonts are painted into the
# pictures), the cross compiler, the emulator and the armhf libraries. The armhf Qt must be
# the host's version exactly (multiarch): one apt-get update brings both in step.
PKGS=(cmake make pkg-config ccache file qtbase5-dev-tools libboost-dev
      fonts-wqy-microhei fonts-dejavu-core
      g++-arm-linux-gnueabihf qemu-user-static qtbase5-dev:armhf libhidapi-dev:armhf)
if ! dpkg --print-foreign-architectures | grep -qx armhf; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO dpkg --add-architecture armhf || { echo "cross-build: cannot add the armhf architecture" >&2; exit 3; }
fi
if ! scripts/apt-missing.sh --no-install-recommends "${PKGS[@]}"; then
  echo "cross-build: the armhf packages cannot be installed here" >&2
  exit 3
fi
[ $install_only -eq 1 ] && exit 0

build=build-armhf
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-armhf.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo "${cmake_args[@]+"${cmake_args[@]}"}" >/dev/null
cmake --build "$build" -j"$(nproc)"
file "$build/app/yuqK87N"
file -b "$build/app/yuqK87N" | grep -q "ARM, EABI5" || { echo "cross-build: not an ARM EABI5 binary" >&2; exit 1; }

[ $run_tests -eq 0 ] && exit 0
# ctest runs each test through the toolchain's emulator (qemu-arm).
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
start=$(date +%s%N)
(
  cd "$build"
  DEVICE_ROOT="$scratch/root" TMPDIR="$scratch" QT_QPA_PLATFORM=offscreen \
    ctest --output-on-failure -j"$(nproc)"
)
awk -v ns=$(( $(date +%s%N) - start )) 'BEGIN { printf "armhf tests under qemu-arm: %.1f s\n", ns / 1e9 }'

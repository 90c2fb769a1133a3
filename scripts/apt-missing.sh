#!/usr/bin/env bash
# Installs those of the Debian packages given that are not installed yet (apt-get update
# first, only when something is missing). Non-zero exit when they cannot be installed.
#   scripts/apt-missing.sh [--no-install-recommends] PACKAGE...
set -euo pipefail
opts=()
if [ "${1:-}" = "--no-install-recommends" ]; then opts+=("$1"); shift; fi
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
# An install beside this one (a second build on the machine) is waited for, not taken for
# packages that cannot be installed.
apt=(flock /tmp/yuq-apt.lock apt-get -o DPkg::Lock::Timeout=600)
$SUDO "${apt[@]}" update -qq
DEBIAN_FRONTEND=noninteractive $SUDO "${apt[@]}" install -y -qq "${opts[@]+"${opts[@]}"}" "${missing[@]}"

# shellcheck shell=bash
# Sourced by the scripts that drive a running panel.
# wait_for SECONDS COMMAND...: runs COMMAND until it succeeds; fails after SECONDS.
wait_for() {
  local end=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}

# send_line FIFO LINE: one control line; fails instead of blocking when no panel reads,
# and never makes a plain file where the panel is about to make its FIFO.
send_line() {
  timeout 5 sh -c '[ -p "$0" ] && printf "%s\n" "$1" >"$0"' "$1" "$2"
}

# need_packages PACKAGE...: installs those missing, without asking for a password; a test
# that cannot have them is skipped (exit 77).
need_packages() {
  local p missing=() SUDO=""
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  [ "$(id -u)" -ne 0 ] && SUDO="sudo -n"
  local apt=(flock /tmp/yuq-apt.lock apt-get -o DPkg::Lock::Timeout=600) # another install is waited for
  if ! { $SUDO "${apt[@]}" update -qq && DEBIAN_FRONTEND=noninteractive $SUDO "${apt[@]}" install -y -qq "${missing[@]}"; } >/dev/null 2>&1; then
    echo "SKIP: cannot install ${missing[*]} (needs root or password-less sudo)"
    exit 77
  fi
}

# scratch OUTDIR: OUTDIR made empty, $work a temp folder; at exit the processes whose ids
# are in $pids end and $work goes.
scratch() {
  rm -rf "$1"
  mkdir -p "$1"
  work=$(mktemp -d)
  pids=()
  trap 'for p in "${pids[@]+"${pids[@]}"}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"' EXIT
}

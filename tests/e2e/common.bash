# Shared by the end-to-end scripts: a private device root and runtime folder,
# the panel started headless, and checks that print what they saw.
set -euo pipefail

BUILD="${DIALVANE_BUILD_DIR:?set DIALVANE_BUILD_DIR to the build folder}"
PANEL="$BUILD/dialvane"
CTL="$BUILD/dialvane-ctl"
WORK=$(mktemp -d /tmp/dialvane-e2e-XXXXXX)
export DIALVANE_ROOT="$WORK/unit"
export DIALVANE_RUNTIME="$WORK/run"
export DIALVANE_LOG="$WORK/panel.log"
export SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY
PIDS=()

cleanup() {
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -s "$WORK/panel.stderr" ]; then
    echo "--- the panel's stderr (last lines):" >&2
    tail -n 80 "$WORK/panel.stderr" >&2
  fi
  exit 1
}
pass() { echo "ok: $*"; }

# Starts the panel in the background; PANEL_PID names it.
start_panel() {
  "$PANEL" 2>>"$WORK/panel.stderr" &
  PANEL_PID=$!
  PIDS+=("$PANEL_PID")
  wait_for_window Dialvane || fail "the panel's window did not appear"
}

wait_for_window() {
  for _ in $(seq 100); do
    "$CTL" send "$1" WM_NULL >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}

# Waits for a process to end within $2 tenths of a second; prints its status.
wait_exit() {
  local pid=$1 tenths=$2
  for _ in $(seq "$tenths"); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"; return $?
    fi
    sleep 0.1
  done
  return 124
}

hex() { od -An -v -tx1 "$1" | tr -s ' \n' ' ' | sed 's/^ //;s/ $//'; }

# The log holds the line exactly, "\r\n" included.
log_has() { grep -qF -- "$1"$'\r' "${2:-$DIALVANE_LOG}"; }

# Runs a Python program of the reliability scripts with dvharness.py on its
# path and this script's folders in its environment: harness - <<'PY' ... PY
harness() {
  WORK="$WORK" PYTHONPATH="$(dirname "${BASH_SOURCE[0]}")${PYTHONPATH:+:$PYTHONPATH}" \
    python3 "$@"
}

# DIALVANE_LONG=1 asks the reliability scripts for their full counts.
long_mode() { [ -n "${DIALVANE_LONG:-}" ] && [ "${DIALVANE_LONG}" != 0 ]; }

#!/usr/bin/env bash
# A guided tour of the panel without a display: the panel runs headless
# beside the stand-in launcher and is driven with dialvane-ctl as its touch
# screen would drive it. Every page is opened, a setting changed on each, the
# touch screen calibrated, Default pressed and the panel closed; a screenshot
# is written after each step, and the launcher's lines and the final settings
# file are printed.
#
# usage: tour.sh BUILD_DIR OUT_DIR
set -euo pipefail

BUILD=${1:?build folder}
OUT=${2:?folder for the screenshots}
PANEL="$BUILD/dialvane"
CTL="$BUILD/dialvane-ctl"
mkdir -p "$OUT"
WORK=$(mktemp -d /tmp/dialvane-tour-XXXXXX)
export DIALVANE_ROOT="$WORK/unit"
export DIALVANE_RUNTIME="$WORK/run"
export DIALVANE_LOG="$WORK/panel.log"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
unset DISPLAY WAYLAND_DISPLAY
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

wait_for() {
  for _ in $(seq 100); do
    "$CTL" send "$1" WM_NULL >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  echo "tour: $1 did not start" >&2
  exit 1
}

"$CTL" launcher >>"$WORK/launcher.out" 2>/dev/null &
pids+=($!)
wait_for Launcher_Tulvo
"$PANEL" 2>/dev/null &
panel=$!
pids+=($panel)
wait_for Dialvane
: >"$WORK/launcher.out"

n=0
step() {
  local what=$1
  shift
  "$@"
  n=$((n + 1))
  local file
  file=$(printf '%s/%02d-%s.png' "$OUT" "$n" "$what")
  "$CTL" shot "$file"
  echo "tour: $what -> $file"
}
taps() { for xy in "$@"; do "$CTL" tap $xy; done; }
drag() {
  "$CTL" pen down "$1" "$2"
  "$CTL" pen move "$3" "$4"
  "$CTL" pen up "$3" "$4"
}

step main-menu true
step sound-page taps "44 175"
step sound-volume drag 116 108 116 87
step main-menu-again taps "50 212"
step basic-page taps "110 145"
step basic-autostart taps "280 82"
step basic-brightness drag 405 138 300 138
step main-menu-basic taps "50 212"
step advanced-page taps "169 103"
step advanced-rear-camera taps "180 120"
step advanced-default taps "428 212"
step main-menu-advanced taps "50 212"
step calibration-screen taps "230 63"
step calibrated taps "240 117" "432 202" "432 32" "48 32" "48 202"
"$CTL" tap 435 19
for _ in $(seq 50); do kill -0 "$panel" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$panel" 2>/dev/null; then
  echo "tour: the panel did not close" >&2
  exit 1
fi
wait "$panel"

echo "tour: the launcher received:"
tr -d '\r' <"$WORK/launcher.out" | sed 's/^/  /'
echo "tour: the settings file \\FlashMem\\sysini\\conf.ini:"
od -An -v -tx1 "$DIALVANE_ROOT/FlashMem/sysini/conf.ini" | sed 's/^/ /'
echo "tour: \\FlashMem\\sysini\\touchcal.ini: $(cat "$DIALVANE_ROOT/FlashMem/sysini/touchcal.ini")"

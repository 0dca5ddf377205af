#!/usr/bin/env bash
# Regenerates the screenshots of docs/screenshots/ with the running panel:
# the main menu with each icon selected, and every page (the advanced page
# with the FM transmitter on and off).
#
# usage: screenshots.sh BUILD_DIR OUT_DIR
set -euo pipefail
BUILD=${1:?build folder}
OUT=${2:?output folder}
CTL="$BUILD/dialvane-ctl"
mkdir -p "$OUT"
WORK=$(mktemp -d /tmp/dialvane-shots-XXXXXX)
export DIALVANE_RUNTIME="$WORK/run" SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY
trap 'rm -rf "$WORK"' EXIT

# Runs the panel on a settings file holding page $1 and FM state $2, and
# shoots the main menu, then each page given after them.
shoot() {
  local page=$1 fm=$2 name=$3
  shift 3
  export DIALVANE_ROOT="$WORK/unit-$name"
  mkdir -p "$DIALVANE_ROOT/FlashMem/sysini"
  printf "\\x$(printf %02x "$page")\\x00\\x06\\x00\\x06\\x00\\x06\\x00\\x00\\x00\\x95\\x01\\x27\\x01\\x04\\x00\\x03\\x00\\x$(printf %02x "$fm")\\x00\\x5f\\x00\\x03\\x00\\x00\\x00" \
    >"$DIALVANE_ROOT/FlashMem/sysini/conf.ini"
  "$BUILD/dialvane" 2>/dev/null &
  local pid=$!
  for _ in $(seq 100); do "$CTL" send Dialvane WM_NULL >/dev/null 2>&1 && break; sleep 0.05; done
  "$CTL" shot "$OUT/main-$name.png"
  for tap in "$@"; do
    "$CTL" tap $tap
    "$CTL" shot "$OUT/page-$name.png"
  done
  "$CTL" close
  wait "$pid"
}

shoot 0 4 sound "300 170"
shoot 1 4 basic "300 170"
shoot 2 4 advanced "300 170"
shoot 2 5 advanced-fm "300 170"
shoot 3 4 touch
rm -f "$OUT/main-advanced-fm.png"
ls "$OUT"

#!/usr/bin/env bash
# Whole-process figures of the real panel, headless, driven from outside with
# dialvane-ctl: start to the first painted frame, peak memory over a tour of
# the pages (headless, and in a window under Xvfb when it is installed), and
# pen-down to the pressed look on screen minus the click's own
# length. Times come from the panel's frame trace (DIALVANE_FRAME_LOG), peak
# memory from /usr/bin/time -v.
#
# usage: process-figures.sh [BUILD_DIR]      (runs: DIALVANE_BENCH_RUNS, default 11)
set -euo pipefail

BUILD=${1:-build}
RUNS=${DIALVANE_BENCH_RUNS:-11}
PANEL="$BUILD/dialvane"
CTL="$BUILD/dialvane-ctl"
WORK=$(mktemp -d /tmp/dialvane-figures-XXXXXX)
export DIALVANE_ROOT="$WORK/unit"
export DIALVANE_RUNTIME="$WORK/run"
export DIALVANE_LOG="$WORK/panel.log"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
unset DISPLAY WAYLAND_DISPLAY
PANEL_PID=""
cleanup() {
  [ -n "$PANEL_PID" ] && kill "$PANEL_PID" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

# Goals.
START_GOAL_MS=50
RSS_GOAL_KB=$((16 * 1024))
WINDOW_RSS_GOAL_KB=$((24 * 1024))
PRESS_GOAL_MS=10
# A main-menu icon that is not the selected one: pressing it clicks, then
# draws it pressed; sliding off and lifting leaves everything as it was.
ICON_X=110
ICON_Y=145
ICON_RECT="81 100 139 190"
OFF_X=300
OFF_Y=60

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

wait_for_panel() {
  for _ in $(seq 400); do
    "$CTL" send Dialvane WM_NULL >/dev/null 2>&1 && return 0
    sleep 0.005
  done
  echo "process-figures: the panel did not start" >&2
  exit 1
}

close_panel() {
  "$CTL" close >/dev/null 2>&1 || true
  wait "$PANEL_PID" 2>/dev/null || true
  PANEL_PID=""
}

# The first start provisions the device root; the measured ones find it, as
# the unit does at every power-up.
"$PANEL" 2>/dev/null &
PANEL_PID=$!
wait_for_panel
close_panel

# --- start to the first painted frame
starts=()
for i in $(seq "$RUNS"); do
  trace="$WORK/start-$i.log"
  # Bash's own clock: no process of its own between it and the start.
  t0=${EPOCHREALTIME/[.,]/}000
  DIALVANE_FRAME_LOG="$trace" "$PANEL" 2>/dev/null &
  PANEL_PID=$!
  for _ in $(seq 2000); do
    grep -q " paint$" "$trace" 2>/dev/null && break
    sleep 0.002
  done
  t1=$(awk '$2 == "paint" { print $1; exit }' "$trace")
  [ -n "$t1" ] || { echo "process-figures: no painted frame" >&2; exit 1; }
  starts+=("$(( (t1 - t0) / 1000 ))")
  wait_for_panel
  close_panel
done
START_US=$(printf '%s\n' "${starts[@]}" | median)

# --- peak memory over a tour of every page: headless, then in a window of an
# X server without a GPU (Xvfb), where the panel presents without OpenGL
tap() { "$CTL" tap "$1" "$2" >/dev/null; sleep 0.15; }
tour_rss() {
  /usr/bin/time -v -o "$WORK/time.txt" "$PANEL" 2>/dev/null &
  PANEL_PID=$!
  wait_for_panel
  tap 44 175   # sound page
  tap 320 120  # a volume slider
  tap 50 212   # OK
  tap 110 145  # basic page
  tap 300 138  # brightness
  tap 50 212
  tap 170 100  # advanced page
  tap 50 212
  close_panel
  awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$WORK/time.txt"
}
RSS_KB=$(tour_rss)
WINDOW_RSS_KB=""
if command -v Xvfb >/dev/null; then
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$WORK/xvfb.display" 2>/dev/null &
  XVFB_PID=$!
  for _ in $(seq 1000); do
    [ -s "$WORK/xvfb.display" ] && break
    sleep 0.01
  done
  WINDOW_RSS_KB=$(DISPLAY=":$(cat "$WORK/xvfb.display")" tour_rss)
  kill "$XVFB_PID" 2>/dev/null || true
fi

# --- pen-down to the pressed look, minus the click's length
CLICK_MS=$(python3 - "$DIALVANE_ROOT/windows/question.wav" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
at, rate, size = 12, None, None
while at + 8 <= len(data):
    tag, n = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
    if tag == b"fmt ":
        rate = struct.unpack("<I", data[at + 16:at + 20])[0]
    elif tag == b"data":
        size = n
    at += 8 + n + (n & 1)
print(f"{size * 1000 / rate:.1f}")
PY
)
trace="$WORK/press.log"
DIALVANE_FRAME_LOG="$trace" "$PANEL" 2>/dev/null &
PANEL_PID=$!
wait_for_panel
for i in $(seq "$RUNS"); do
  "$CTL" pen down "$ICON_X" "$ICON_Y" >/dev/null
  sleep 0.25
  "$CTL" pen move "$OFF_X" "$OFF_Y" >/dev/null
  "$CTL" pen up "$OFF_X" "$OFF_Y" >/dev/null
  sleep 0.1
done
close_panel
PRESS_LIST=$(awk -v rect="$ICON_RECT" -v click="$CLICK_MS" '
  $2 == "pen" && $3 == "down" { down = $1; next }
  down && $2 == "present" && ($3 " " $4 " " $5 " " $6) == rect {
    printf "%.2f\n", ($1 - down) / 1e6 - click; down = 0 }' "$trace")
PRESS_MS=$(printf '%s\n' "$PRESS_LIST" | median)
PRESS_COUNT=$(printf '%s\n' "$PRESS_LIST" | grep -c . || true)

verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v + 0 <= g + 0) ? "met" : "MISSED" }'; }
echo
printf '%-52s %12s %12s  %s\n' "whole process (median of $RUNS)" "figure" "goal" ""
printf '%-52s %9.1f ms %9s ms  %s\n' "start to first painted frame (headless)" \
  "$(awk -v u="$START_US" 'BEGIN { print u / 1000 }')" "< $START_GOAL_MS" \
  "$(verdict "$(awk -v u="$START_US" 'BEGIN { print u / 1000 }')" "$START_GOAL_MS")"
printf '%-52s %9.1f MB %9s MB  %s\n' "peak memory, tour of every page (headless)" \
  "$(awk -v k="$RSS_KB" 'BEGIN { print k / 1024 }')" "< 16" "$(verdict "$RSS_KB" "$RSS_GOAL_KB")"
if [ -n "$WINDOW_RSS_KB" ]; then
  printf '%-52s %9.1f MB %9s MB  %s\n' "peak memory, tour of every page (window, Xvfb)" \
    "$(awk -v k="$WINDOW_RSS_KB" 'BEGIN { print k / 1024 }')" "<= 24" \
    "$(verdict "$WINDOW_RSS_KB" "$WINDOW_RSS_GOAL_KB")"
else
  echo "peak memory, tour of every page (window): no Xvfb, not measured"
fi
printf '%-52s %9.1f ms %9s ms  %s\n' "pen-down to pressed look beyond the ${CLICK_MS} ms click" \
  "$PRESS_MS" "<= $PRESS_GOAL_MS" "$(verdict "$PRESS_MS" "$PRESS_GOAL_MS")"
echo "(pressed-look samples: $PRESS_COUNT; start samples: ${#starts[@]})"

#!/usr/bin/env bash
# The panel in a real X window under Xvfb, driven by the X11 pointer with
# xdotool, as a person with a mouse would: open a page, drag a slider, switch
# an option, OK, close. Checks files, journals, launcher lines and pixels.
source "$(dirname "$0")/common.bash"

command -v Xvfb >/dev/null || fail "Xvfb is not installed"
command -v xdotool >/dev/null || fail "xdotool is not installed"

SCALE=2
for n in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { DISP=":$n"; break; }
done
Xvfb "$DISP" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
PIDS+=($!)
export DISPLAY="$DISP"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
export DIALVANE_SCALE=$SCALE
# Xvfb has no GPU: SDL's software renderer spares loading a GL driver whose
# own allocations would cloud the sanitizer build's leak check.
export SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0

"$CTL" launcher >>"$WORK/launcher.out" 2>/dev/null &
PIDS+=($!)
wait_for_window Launcher_Tulvo || fail "the launcher did not start"
"$PANEL" 2>>"$WORK/panel.stderr" &
PANEL_PID=$!
PIDS+=("$PANEL_PID")
wait_for_window Dialvane || fail "the panel did not start"
: >"$WORK/launcher.out"

win=""
for _ in $(seq 50); do
  win=$(xdotool search --name '^Dialvane$' 2>/dev/null | head -1) && [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || fail "no X window titled Dialvane"
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$WIDTH" -eq $((480 * SCALE)) ] && [ "$HEIGHT" -eq $((234 * SCALE)) ] \
  || fail "window is ${WIDTH}x$HEIGHT, expected $((480 * SCALE))x$((234 * SCALE))"
pass "the panel's X window is 480x234 at scale $SCALE"

# Moves the X pointer to a panel pixel; then the panel is left to catch up.
at() { xdotool mousemove --window "$win" $(($1 * SCALE + SCALE / 2)) $(($2 * SCALE + SCALE / 2)); }
settle() {
  sleep 0.3
  "$CTL" send Dialvane WM_NULL >/dev/null
}
click() { at "$1" "$2"; xdotool mousedown 1; sleep 0.05; xdotool mouseup 1; settle; }
field() {
  od -An -v -t d2 -j $(( $1 * 2 )) -N 2 "$DIALVANE_ROOT/FlashMem/sysini/conf.ini" | tr -d ' '
}
launcher_lines() { tr -d '\r' <"$WORK/launcher.out" | paste -sd '|'; }

click 44 175
[ "$(field 0)" = 0 ] || fail "stored page is $(field 0) after the sound icon"
[ "$(launcher_lines)" = "UM_SETTINGS_PAGE 0 0" ] || fail "launcher saw '$(launcher_lines)'"
pass "a click on the sound icon opens its page and tells the launcher"

at 223 150; xdotool mousedown 1; settle
at 223 120; settle
at 223 95; settle
xdotool mouseup 1; settle
[ "$(field 2)" = 8 ] || fail "DMB volume is $(field 2), expected 8"
"$CTL" shot "$WORK/sound.png"
pass "dragging the DMB slider to y 95 stores step 8"

click 50 212
click 110 145
click 370 82
[ "$(field 4)" = 2 ] || fail "auto start is $(field 4), expected 2 (DMB)"
pass "switching auto start to DMB stores 2"

at 300 165; xdotool mousedown 1; settle
at 190 165; settle
xdotool mouseup 1; settle
[ "$(field 6)" = 190 ] || fail "contrast is $(field 6), expected 190"
grep -q "ioctl 0x00000000 in 8a 74 44" "$DIALVANE_ROOT/dev/IIC1.log" || fail "contrast 0x44 not sent"
pass "dragging the contrast bar to x 190 drives the display chip"

click 50 212
"$CTL" shot "$WORK/main.png"
at 435 19; xdotool mousedown 1; sleep 0.05; xdotool mouseup 1
wait_exit "$PANEL_PID" 50 || fail "the close button did not end the panel"
pass "the close button ends the panel"

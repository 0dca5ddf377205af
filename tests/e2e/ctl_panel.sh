#!/usr/bin/env bash
# dialvane-ctl against the running panel: every command returns only when
# the panel is idle again, with what it caused handled, so no sleeps are
# needed; screenshots; SIGTERM ends the panel through its normal close.
source "$(dirname "$0")/common.bash"

"$CTL" launcher >"$WORK/launcher.out" 2>/dev/null &
PIDS+=($!)
wait_for_window Launcher_Tulvo || fail "the launcher's window did not appear"
start_panel
probes=$(grep -c '^0x0000' "$WORK/launcher.out" || true)

png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3*256+$4 "x" $7*256+$8}'; }

"$CTL" shot "$WORK/main.png" || fail "shot failed"
[ "$(png_size "$WORK/main.png")" = "480x234" ] || fail "main.png is $(png_size "$WORK/main.png")"
pass "shot writes the screen as a 480 x 234 PNG"

# Release on the basic page's icon opens the page and commits it: the
# launcher has been told by the time the tap returns.
"$CTL" tap 110 150 || fail "tap failed"
grep -qx "UM_SETTINGS_PAGE 1 0" "$WORK/launcher.out" ||
  fail "after the tap the launcher has: $(cat "$WORK/launcher.out")"
"$CTL" shot "$WORK/basic.png" || fail "second shot failed"
cmp -s "$WORK/main.png" "$WORK/basic.png" && fail "the screen did not change after opening a page"
pass "a tap returns once the panel has handled it, launcher notice and repaint included"

before=$(grep -c "UM_SETTINGS_PAGE 1 0" "$WORK/launcher.out")
"$CTL" pen down 300 250 || fail "pen down failed"
"$CTL" pen move 310 250 || fail "pen move failed"
"$CTL" pen up 310 250 || fail "pen up failed"
after=$(grep -c "UM_SETTINGS_PAGE 1 0" "$WORK/launcher.out")
[ "$after" -eq $((before + 1)) ] || fail "a pen down on the basic page sent $((after - before)) notices"
pass "pen down / move / up reach the panel as its touch screen's input"

[ "$("$CTL" send Dialvane WM_NULL)" = "0" ] || fail "send WM_NULL to the panel"
[ "$(grep -c '^0x0000' "$WORK/launcher.out" || true)" = "$probes" ] || fail "probes reached the launcher late"

kill -TERM "$PANEL_PID"
wait_exit "$PANEL_PID" 50 || fail "the panel did not end with status 0 on SIGTERM"
[ ! -e "$DIALVANE_RUNTIME/w-Dialvane.sock" ] || fail "the panel left its socket"
if "$CTL" tap 1 1 2>/dev/null; then fail "a tap reached a panel that has ended"; fi
pass "SIGTERM closes the panel cleanly"

#!/usr/bin/env bash
# dialvane-ctl as the unit's other programs: the stand-in launcher, messages
# by name and number, no window to talk to, an unsafe runtime folder, and a
# clean end on SIGTERM.
source "$(dirname "$0")/common.bash"

"$CTL" launcher >"$WORK/launcher.out" 2>"$WORK/launcher.err" &
LAUNCHER_PID=$!
PIDS+=("$LAUNCHER_PID")
wait_for_window Launcher_Tulvo || fail "the launcher's window did not appear"
probes=$(wc -l <"$WORK/launcher.out")  # the WM_NULL probes of wait_for_window

[ "$("$CTL" send Launcher_Tulvo UM_SETTINGS_PAGE 1 0)" = "0" ] || fail "send did not print 0"
"$CTL" post Launcher_Tulvo UM_TOUCH_CAL 1 || fail "post failed"
"$CTL" send Launcher_Tulvo 0x1234 7 -3 >/dev/null || fail "send by number failed"
"$CTL" post Launcher_Tulvo 4660 || fail "post by decimal number failed"
expected=$'UM_SETTINGS_PAGE 1 0\nUM_TOUCH_CAL 1 0\n0x1234 7 -3\n0x1234 0 0'
printed=$(tail -n +"$((probes + 1))" "$WORK/launcher.out")
[ "$printed" = "$expected" ] || fail "the launcher printed: $printed"
pass "the launcher prints one line per message, in the order sent"

if "$CTL" launcher 2>"$WORK/second.err"; then fail "a second launcher started"; fi
grep -q "already running" "$WORK/second.err" || fail "second launcher: $(cat "$WORK/second.err")"
pass "a second launcher refuses to start"

set +e
"$CTL" send Dialvane WM_NULL 2>"$WORK/nopanel.err"; status=$?
set -e
[ "$status" -ne 0 ] || fail "send to a missing panel succeeded"
grep -qF 'no window titled "Dialvane" is running' "$WORK/nopanel.err" ||
  fail "no panel: $(cat "$WORK/nopanel.err")"
for cmd in "close" "tap 10 10" "pen down 1 1" "shot $WORK/x.png"; do
  # shellcheck disable=SC2086
  if "$CTL" $cmd 2>/dev/null; then fail "'$cmd' without a panel succeeded"; fi
done
pass "commands aimed at a missing panel say so and fail"

set +e
"$CTL" send Launcher_Tulvo NOT_A_MESSAGE 2>/dev/null; s1=$?
"$CTL" pen sideways 1 1 2>/dev/null; s2=$?
"$CTL" tap 1 2>/dev/null; s3=$?
set -e
[ "$s1" -eq 2 ] && [ "$s2" -eq 2 ] && [ "$s3" -eq 2 ] || fail "usage errors gave $s1 $s2 $s3"
pass "bad command lines are usage errors"

kill -TERM "$LAUNCHER_PID"
wait_exit "$LAUNCHER_PID" 50 || fail "the launcher did not end cleanly on SIGTERM"
[ ! -e "$DIALVANE_RUNTIME/w-Launcher_Tulvo.sock" ] || fail "the launcher left its socket"
pass "the launcher ends cleanly on SIGTERM and removes its socket"

"$CTL" launcher >/dev/null 2>&1 &
KILLED=$!
PIDS+=("$KILLED")
wait_for_window Launcher_Tulvo || fail "the launcher did not come back"
kill -KILL "$KILLED"
wait "$KILLED" 2>/dev/null || true
if "$CTL" send Launcher_Tulvo WM_NULL 2>/dev/null; then fail "a killed launcher was found"; fi
"$CTL" launcher >/dev/null 2>&1 &
PIDS+=($!)
wait_for_window Launcher_Tulvo || fail "a new launcher did not replace the stale socket"
pass "a killed launcher is not found, and its stale socket is replaced"

OPEN="$WORK/open"
mkdir -m 0777 "$OPEN"
chmod 0777 "$OPEN"
set +e
DIALVANE_RUNTIME="$OPEN" "$CTL" send Launcher_Tulvo WM_NULL 2>"$WORK/open.err"; status=$?
set -e
[ "$status" -eq 2 ] || fail "an open runtime folder gave status $status"
grep -q "is open to group or others (mode 0777); refusing to use it" "$WORK/open.err" ||
  fail "open folder: $(cat "$WORK/open.err")"
if [ -x "$PANEL" ]; then
  set +e
  DIALVANE_RUNTIME="$OPEN" "$PANEL" 2>"$WORK/open-panel.err"; status=$?
  set -e
  [ "$status" -eq 2 ] || fail "the panel ran with an open runtime folder (status $status)"
  grep -q "refusing to use it" "$WORK/open-panel.err" || fail "panel: $(cat "$WORK/open-panel.err")"
fi
pass "a runtime folder open to others is refused with a clear message"

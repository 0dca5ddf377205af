#!/usr/bin/env bash
# Start-up as another program of the unit sees it: first start on a fresh
# device root, a second copy, many copies at once, and closing.
source "$(dirname "$0")/common.bash"

FACTORY="00 00 06 00 06 00 06 00 00 00 95 01 27 01 04 00 03 00 04 00 57 00 05 00 00 00"

start_panel
conf="$DIALVANE_ROOT/FlashMem/sysini/conf.ini"
[ "$(hex "$conf")" = "$FACTORY" ] || fail "conf.ini holds $(hex "$conf")"
log_has "IniReadString Open Error!!" || fail "no open error logged on the first start"
pass "first start creates the factory settings file"

t0=$(date +%s%N)
"$PANEL" 2>"$WORK/second.log" || fail "the second copy exited non-zero"
ms=$(( ($(date +%s%N) - t0) / 1000000 ))
[ "$ms" -lt 1000 ] || fail "the second copy took $ms ms"
log_has "===============> Alead Play" "$WORK/second.log" || fail "second copy: no Alead Play line"
log_has "===============> Find Hwnd" "$WORK/second.log" || fail "second copy: no Find Hwnd line"
kill -0 "$PANEL_PID" || fail "the first copy died"
pass "a second copy finds the first, brings it forward and ends in $ms ms"

"$CTL" close || fail "dialvane-ctl close failed"
wait_exit "$PANEL_PID" 50 || fail "the panel did not end with status 0 after close"
pass "dialvane-ctl close ends the panel with status 0"

start_panel
pass "a new start right after close works"
"$CTL" close
wait_exit "$PANEL_PID" 50 || fail "second panel did not close"

pids=()
for _ in $(seq 20); do
  "$PANEL" 2>/dev/null &
  pids+=($!)
done
PIDS+=("${pids[@]}")
wait_for_window Dialvane || fail "none of 20 copies made a window"
# The other copies end at once; a loaded machine gets a few seconds.
for _ in $(seq 50); do
  running=0
  for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && running=$((running + 1)); done
  [ "$running" -le 1 ] && break
  sleep 0.1
done
[ "$running" -eq 1 ] || fail "$running of 20 copies are running"
pass "20 copies started at once leave exactly one running"
"$CTL" close
for p in "${pids[@]}"; do wait_exit "$p" 50 || true; done


#!/usr/bin/env bash
# The whole tour, lap after lap, watched for leaks: every page opened, a
# setting changed on each, Default, a touch calibration, back to the main
# menu, and at last the close button. The panel must end with status 0; in
# the sanitizer build LeakSanitizer then checks its heap at exit (and the
# stand-in launcher's), in the normal build its memory must not grow from
# lap to lap. DIALVANE_VALGRIND=1 runs the panel under valgrind
# --leak-check=full instead (slow: by hand) and prints its figures
# (DIALVANE_VALGRIND_REPORT=FILE keeps the whole report).
# Short by default; DIALVANE_LONG=1 runs the full counts.
source "$(dirname "$0")/common.bash"

SRC="${DIALVANE_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="suppressions=$SRC/tests/lsan.supp:print_suppressions=0"

"$CTL" launcher >>"$WORK/launcher.out" 2>"$WORK/launcher.err" &
LAUNCHER_PID=$!
PIDS+=("$LAUNCHER_PID")
wait_for_window Launcher_Tulvo || fail "the launcher did not start"

harness - <<'PY' || fail "leak checks failed (above)"
import os
import re
import shutil
import time

from dvharness import *

env = Env()
LONG = long_mode()
ASAN = sanitizer_build()
VALGRIND = os.environ.get("DIALVANE_VALGRIND", "") not in ("", "0")
LAPS = 1 if VALGRIND else (40 if LONG else 4)
# The normal build's memory after the first lap may wobble by allocator
# slack, not grow with every lap.
GROWTH_LIMIT_KB = 256
CALIBRATION_TARGETS = [(240, 117), (432, 202), (432, 32), (48, 32), (48, 202)]


def lap(peer):
    """One tour: every page, a change on each, Default, a calibration."""
    peer.tap(*ICONS[0])
    peer.pen(PEN_DOWN, SLIDER_X[0], 150)
    peer.pen(PEN_MOVE, SLIDER_X[0], 100)
    peer.pen(PEN_UP, SLIDER_X[0], 60)
    peer.tap(*OK_BUTTON)
    peer.tap(*ICONS[1])
    peer.tap(*BASIC_OPTIONS[3])
    peer.tap(*BASIC_OPTIONS[2])
    peer.pen(PEN_DOWN, 300, BAR_Y[5])
    peer.pen(PEN_MOVE, 250, BAR_Y[5])
    peer.pen(PEN_UP, 250, BAR_Y[5])
    peer.tap(*OK_BUTTON)
    peer.tap(*ICONS[2])
    peer.tap(*ADVAN_OPTIONS[(8, 2)])
    peer.tap(*DEFAULT_BUTTON)
    peer.tap(*OK_BUTTON)
    peer.tap(230, 63)  # the touch icon: the calibration screen
    for target in CALIBRATION_TARGETS:
        peer.tap(*target)
    peer.shot(os.path.join(env.work, "lap.png"))


def rss_kb(proc):
    with open("/proc/%d/status" % proc.pid) as f:
        return int(next(line for line in f if line.startswith("VmRSS")).split()[1])


wrapper = ()
extra_env = {}
if VALGRIND:
    # Valgrind 3.19 has no stand-in for glibc's AVX2 wmemcmp and reports the
    # whole-vector reads it makes at the end of every wide string compared.
    extra_env["GLIBC_TUNABLES"] = "glibc.cpu.hwcaps=-AVX2,-AVX512F,-EVEX"
    check(shutil.which("valgrind") is not None, "valgrind is not installed")
    check(not ASAN, "valgrind and the sanitizer build do not mix")
    report = os.path.join(env.work, "valgrind.txt")
    wrapper = ("valgrind", "--leak-check=full", "--log-file=" + report)
t0 = time.monotonic()
proc = env.spawn_panel(extra_env, wrapper=wrapper, stderr_path=os.path.join(env.work, "tour.stderr"))
peer = env.wait_ready(proc, 300 if VALGRIND else None)
sizes = []
for _ in range(LAPS):
    lap(peer)
    sizes.append(rss_kb(proc) if not VALGRIND else 0)
check(record_fields(env.read_conf())[0] == 3, "the tour did not end on the touch page's save")
peer.tap(435, 19)  # the close button
peer.close()
status = proc.wait(timeout=600 if VALGRIND else 120)
stderr = open(os.path.join(env.work, "tour.stderr"), errors="replace").read()
check(status == 0, "the panel ended with status %d:\n%s" % (status, stderr[-3000:]))
gdi = [line for line in env.log_text(proc).splitlines() if line.startswith("GDI:")]
check(not gdi, "the panel's log has GDI complaints: %s" % gdi[:5])
what = "%d laps of the tour (18 taps and drags each), then the close button" % LAPS
if VALGRIND:
    text = open(report).read()
    figures = {}
    for name in ("definitely lost", "indirectly lost", "possibly lost", "still reachable"):
        found = re.search(name + r": ([\d,]+) bytes in ([\d,]+) blocks", text)
        figures[name] = found.groups() if found else ("0", "0")
    errors = re.search(r"ERROR SUMMARY: (\d+) errors", text)
    misuse = len(re.findall(r"== (Invalid (read|write|free)|Conditional jump|Use of uninit|"
                            r"Mismatched free|Syscall param)", text))
    check(misuse == 0, "valgrind reported %d memory errors:\n%s" % (misuse, text[-6000:]))
    check(figures["definitely lost"][0] == "0" and figures["indirectly lost"][0] == "0",
          "valgrind found leaks:\n%s" % text[-6000:])
    ok("valgrind --leak-check=full, %s: %s; no memory errors; ERROR SUMMARY %s (the "
       "possibly lost blocks); %.0f s" % (
           what, "; ".join("%s %s bytes in %s blocks" % (k, *v) for k, v in figures.items()),
           errors.group(1) if errors else "?", time.monotonic() - t0))
    kept = os.environ.get("DIALVANE_VALGRIND_REPORT")
    if kept:
        shutil.copy(report, kept)
    print(open(report).read()[-6000:])
elif ASAN:
    check("LeakSanitizer" not in stderr and "AddressSanitizer" not in stderr,
          "the sanitizers reported:\n%s" % stderr[-6000:])
    ok("%s under AddressSanitizer with leak detection: exit 0, no leak or error report; "
       "%.1f s" % (what, time.monotonic() - t0))
else:
    growth = max(sizes) - sizes[0]
    check(growth <= GROWTH_LIMIT_KB, "the panel grew by %d kB over %d laps: %s"
          % (growth, LAPS, sizes))
    ok("%s: exit 0, RSS %d kB after the first lap, %d kB at most after %d laps (+%d kB); "
       "%.1f s" % (what, sizes[0], max(sizes), LAPS, growth, time.monotonic() - t0))
    note("RSS after each lap, kB: %s" % " ".join(map(str, sizes)))
PY

kill -TERM "$LAUNCHER_PID"
wait_exit "$LAUNCHER_PID" 600 || fail "the launcher did not end with status 0"
if grep -q "Sanitizer" "$WORK/launcher.err"; then
  cat "$WORK/launcher.err" >&2
  fail "the sanitizers reported on the launcher"
fi
pass "the launcher ended with status 0$(grep -q DV_SANITIZE:BOOL=ON "$BUILD/CMakeCache.txt" &&
  echo ", no sanitizer report")"

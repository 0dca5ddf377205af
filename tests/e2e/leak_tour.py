# The whole tour, lap after lap, watched for leaks: every page, a change on
# each, Default, a calibration. A first lap warms up (caches, the allocator's
# first arenas); after it the normal build's memory must stay flat from lap to
# lap. In the sanitizer build LeakSanitizer checks the heap at exit instead.
# DIALVANE_VALGRIND=1 runs the panel under valgrind --leak-check=full (slow).
import os
import re
import shutil
import signal

from dvtest import *

VALGRIND = os.environ.get("DIALVANE_VALGRIND", "") not in ("", "0")
LAPS = 20 if LONG else 1 if VALGRIND or ASAN else 3
# Allocator slack may move a page or two; one leaked 480 x 234 surface a lap
# (439 kB) is far above it.
FLAT_KB = 96


def lap():
    for page, *steps in ((ICON["sound"], [(116, 150), (116, 60)]), (ICON["basic"], (190, 110),
                         [(300, 138), (250, 138)]), (ICON["advan"], (188, 122), DEFAULT_BUTTON)):
        unit.tap(page)
        for step in steps:
            unit.drag(step[0], step[1], step[1]) if isinstance(step, list) else unit.tap(step)
        unit.tap(OK_BUTTON)
    unit.tap(ICON["touch"])
    for target in TARGETS:
        unit.tap(target)
    unit.shot("lap.png")


unit = Unit()
unit.env["LSAN_OPTIONS"] = "suppressions=%s/tests/lsan.supp:print_suppressions=0" % SOURCE
launcher = unit.launcher()
report = unit.path("valgrind.txt")
wrapper = ("valgrind", "--leak-check=full", "--log-file=" + report) if VALGRIND else ()
if VALGRIND:
    check(shutil.which("valgrind") and not ASAN, "valgrind is missing, or this is the ASan build")
    # Valgrind has no stand-in for glibc's AVX2 wmemcmp and reports its reads.
    unit.env["GLIBC_TUNABLES"] = "glibc.cpu.hwcaps=-AVX2,-AVX512F,-EVEX"
panel = unit.panel(wrapper=wrapper)
lap()  # the warm-up
sizes = []
for _ in range(LAPS):
    lap()
    sizes.append(rss_kb(panel))
unit.pen("down", CLOSE_BOX)
unit.ctl("pen", "up", *CLOSE_BOX, expect=None)
check(panel.wait(timeout=(600 if VALGRIND else 30) * SLOW) == 0, "the panel ended with %s:\n%s"
      % (panel.returncode, unit.text(panel.err)[-3000:]))
gdi = [line for line in unit.log(panel).splitlines() if line.startswith("GDI:")]
check(not gdi, "the panel's log has GDI complaints: %s" % gdi[:5])
launcher.send_signal(signal.SIGTERM)
check(launcher.wait(timeout=30 * SLOW) == 0, "the launcher ended with %s" % launcher.returncode)
reports = unit.text(panel.err) + unit.text(launcher.err)
check("Sanitizer" not in reports, "the sanitizers reported:\n%s" % reports[-6000:])
what = "a warm-up lap and %d of the tour (17 taps and drags each), then the close box" % LAPS
if VALGRIND:
    text = unit.text(report)
    lost = re.findall(r"(definitely|indirectly) lost: ([\d,]+) bytes", text)
    errors = re.findall(r"== (Invalid (read|write|free)|Conditional jump|Use of uninit)", text)
    check(not errors and all(n == "0" for _, n in lost), "valgrind:\n%s" % text[-6000:])
    ok("under valgrind, %s: %s; no memory errors" % (what, lost))
elif ASAN:
    ok("%s under LeakSanitizer: exit 0, no report from the panel or the launcher" % what)
else:
    growth = max(sizes) - min(sizes)
    check(growth <= FLAT_KB, "the panel's memory moved by %d kB over %d laps after the warm-up "
          "(kB after each: %s)" % (growth, LAPS, sizes))
    ok("%s: exit 0, memory flat after the warm-up (kB after each lap: %s)" % (what, sizes))

# The whole tour through dialvane-ctl, lap after lap. The first lap announces every page and
# warms up; after it the normal build's memory must stay flat, the sanitizer build's LeakSanitizer
# checks the heap at exit, and DIALVANE_VALGRIND=1 runs the panel under valgrind (slow).
import glob
import re

from dvtest import *

VALGRIND = os.environ.get("DIALVANE_VALGRIND", "") not in ("", "0")
LAPS = 20 if LONG else 1 if VALGRIND or ASAN else 3
# Allocator slack may move a page or two; one leaked 480 x 234 surface a lap (439 kB) is far above.
FLAT_KB = 96


# A step: a tap (a point) or a drag (points). Each step's effect is ScenarioTest's to check.
STEPS = [ICON["sound"], [(116, 150), (116, 100), (116, 60)], OK_BUTTON, ICON["basic"], (190, 110),
         [(300, 138), (250, 140), (250, 140)], OK_BUTTON, ICON["advan"], (188, 122), DEFAULT_BUTTON,
         OK_BUTTON, ICON["touch"]] + TARGETS
HEARD = ["UM_SETTINGS_PAGE %d 0" % p for p in [0, 0] + [1] * 5 + [2, 2, 0]] + [
    "UM_TOUCH_CAL 1 0", "UM_SETTINGS_PAGE 3 0", "UM_TOUCH_CAL 0 0"]


def lap():
    for where in STEPS:
        unit.drag(where[0], *where[1:]) if isinstance(where, list) else unit.tap(where)
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
lap()
check(unit.heard(launcher) == HEARD, "launcher after the first lap: %s" % unit.heard(launcher))
os.umask(mask := os.umask(0))  # reads the umask
for folder, mode in ((unit.root, 0o644), (unit.runtime, 0o600)):
    found = {p: oct(os.stat(p).st_mode & 0o7777) for p in glob.glob(folder + "/**", recursive=True)
             if os.path.isfile(p)}
    check(set(found.values()) == {oct(mode & ~mask)}, "files made with other modes: %s" % found)
sizes = []
for _ in range(LAPS):
    lap()
    sizes.append(rss_kb(panel))
unit.pen("down", CLOSE_BOX)
unit.ctl("pen", "up", *CLOSE_BOX, expect=None)  # the panel may be gone before it is idle
unit.ended(panel, 0, "the panel after the close box", 600 if VALGRIND else 30)
gdi = [line for line in unit.log(panel).splitlines() if line.startswith("GDI:")]
check(not gdi, "the panel's log has GDI complaints: %s" % gdi[:5])
launcher.send_signal(signal.SIGTERM)
unit.ended(launcher, 0, "the launcher on SIGTERM", 30)
reports = unit.text(panel.err) + unit.text(launcher.err)
check("Sanitizer" not in reports, "the sanitizers reported:\n%s" % reports[-6000:])
what = "a first lap and %d more of the tour (18 taps and drags each), then the close box" % LAPS
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
    check(growth <= FLAT_KB, "the panel's memory moved by %d kB over %d laps after the first "
          "(kB after each: %s)" % (growth, LAPS, sizes))
    ok("%s: exit 0, memory flat after the first (kB after each lap: %s)" % (what, sizes))

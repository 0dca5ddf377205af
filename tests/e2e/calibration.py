# The touch calibration screen as the launcher and the touch screen see it: a close waits for its
# end, and the five taps are stored in the registry and touchcal.ini; SIGTERM does not wait; the
# first cross and the instruction line; Escape keeps the old calibration. Refused taps and their
# lines are the platform's Calibration and Touch tests' and touch_calibration.py's.
from dvtest import *

INSTRUCTION_ROWS = range(150, 185)  # the line below the centre target


def stored(unit):  # the calibrations found in the registry, and touchcal.ini
    ini = unit.text(os.path.join(unit.root, "FlashMem/sysini/touchcal.ini"))
    found = [text for text in (FACTORY_CAL, TARGETS_RAW) if text in unit.registry()]
    return found, ini


def open_calibration(x=False):  # a new unit (under Xvfb), its launcher and panel, calibrating
    unit = Unit()
    if x:
        xvfb(unit)
    launcher, panel = unit.launcher(), unit.panel()
    unit.tap(ICON["touch"])
    check(unit.heard(launcher) == CAL_LINES[:1], "opening: the launcher: %s" % unit.heard(launcher))
    return unit, launcher, panel


for name in ("UM_CLOSE_SETTINGS", "WM_CLOSE"):  # A close while the screen holds the pen waits.
    unit, launcher, panel = open_calibration()
    unit.ctl("post", "Dialvane", name)
    unit.tap(*TARGETS[:4])
    check(panel.poll() is None, "%s did not wait for the calibration: %s" % (name, panel.poll()))
    check(unit.heard(launcher) == CAL_LINES[:1], "%s: launcher %s" % (name, unit.heard(launcher)))
    unit.pen("down", TARGETS[4])
    unit.ctl("pen", "up", *TARGETS[4], expect=None)  # the panel may end before it is idle
    unit.ended(panel, 0, name, 10)
    # The close comes before the paint that would say the calibration is over.
    check(unit.heard(launcher) == CAL_LINES[:2], "%s: %s" % (name, unit.heard(launcher)))
    check(stored(unit) == ([TARGETS_RAW], TARGETS_RAW), "%s: stored %s" % (name, stored(unit)))
    check(unit.field(0) == 3, "%s: the touch page was not saved" % name)
    ok("%s waits for the calibration's end; touch page saved, launcher told, exit 0" % name)

unit, launcher, panel = open_calibration()  # SIGTERM does not wait: the screen ends at once.
unit.tap(TARGETS[0])
panel.send_signal(signal.SIGTERM)
unit.ended(panel, 0, "SIGTERM", 1)
check(unit.heard(launcher) == CAL_LINES[:2], "SIGTERM: %s" % unit.heard(launcher))
check(stored(unit) == ([FACTORY_CAL], FACTORY_CAL), "SIGTERM: stored %s" % (stored(unit),))
ok("SIGTERM ends the calibration at once; the old calibration kept, exit 0")

# The first cross, ringed, over the instruction line; Escape on the X keyboard cancels.
unit, launcher, panel = open_calibration(x=True)
first = pixels(unit.shot("first.png"))
ring = {(x, y) for y, row in enumerate(first) for x, v in enumerate(row) if v == 0x3FBF5F}
check([x for x in range(480) if first[117][x] == 0xFFFFFF] == list(range(228, 253)) and
      first[110][236:245].count(0x3FBF5F) == 6 and ring == {(480 - x, 234 - y) for x, y in ring},
      "the first cross is not 25 px wide, ringed alike on every side")
ink = [y for y in INSTRUCTION_ROWS if any(p != first[0][0] for p in first[y])]
check(ink == list(range(162, 175)) and 0xFFFFFF in first[168], "the instruction line is not "
      "white 14 px Tahoma centred in rows 150-184: ink in rows %s" % ink)
ok("the first cross is 25 px wide, ringed alike on every side, over its instruction line")
unit.tap(TARGETS[0])
xdo("windowfocus", "--sync", panel_window(unit), unit=unit)
xdo("key", "Escape", unit=unit)
unit.logs(panel, "TouchCalibrate: cancelled, calibration kept\r\n")
check(unit.answers(), "the panel does not answer after the cancel")
check(stored(unit) == ([FACTORY_CAL], FACTORY_CAL), "after Escape: stored %s" % (stored(unit),))
check(unit.heard(launcher)[-1] == "UM_TOUCH_CAL 0 0", "after Escape: %s" % unit.heard(launcher))
unit.closed(panel, "the panel after Escape")
ok("Escape under X cancels the calibration and keeps the old one")

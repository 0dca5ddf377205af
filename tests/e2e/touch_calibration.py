# The calibration screen with a touch controller bound: raw taps through swapped, offset axes are
# stored as raw values with libinput's matrix as a udev rule, and map the next taps; a screen 60 px
# off calibrates in one sequence (the platform's Touch tests: any drift, turn or swap); a raw double
# tap is refused on the instruction line.
import re

from evdevbed import *


def raw_of(point, shift=(0, 0)):
    """A touch at a panel point on a controller whose x axis reads the screen's y (250..3750), its
    y axis the x (300..3700), on a screen drifted by shift px."""
    x, y = point[0] + 0.5 + shift[0], point[1] + 0.5 + shift[1]
    return round(250 + y * 3500 / 234), round(300 + x * 3400 / 480)


def calibrate(bed, unit, launcher, **screen):  # the touch page, 5 raw taps; the text stored
    heard = len(unit.heard(launcher))
    unit.tap(ICON["touch"])
    for target in TARGETS:
        bed.tap(*raw_of(target, **screen))
    wait_for(lambda: unit.heard(launcher)[heard:] == CAL_LINES, "the touch page's end")
    return " ".join("%d,%d" % raw_of(t, **screen) for t in TARGETS)


rules = lambda unit: unit.text(unit.path("unit", "dev", "touch-calibration.rules"))

unit = Unit()
bed = Bed(unit)
launcher, panel = unit.launcher(), unit.panel()
text = calibrate(bed, unit, launcher)
check('"CalibrationData"="%s"' % text in unit.registry(), "not stored")
check(unit.text(unit.path("unit", "FlashMem/sysini/touchcal.ini")) == text, "touchcal.ini")
matrix = re.search(r'KERNEL=="event0", ENV\{LIBINPUT_CALIBRATION_MATRIX\}="([^"]*)"', rules(unit))
check(matrix, "no udev rule for event0:\n%s" % rules(unit))
# s = (4095 v - 300) / 3400, t = (4095 u - 250) / 3500: the swap in b and d, the offsets in c and f
expected = (0, 4095 / 3400, -300 / 3400, 4095 / 3500, 0, -250 / 3500)
check(all(abs(float(got) - want) < 0.002 for got, want in zip(matrix.group(1).split(), expected)),
      "matrix %s, expected about %s" % (matrix.group(1), expected))
bed.tap(*raw_of(ICON["basic"]))
wait_for(lambda: unit.field(0) == 1, "the basic page opened by a raw tap")
ok("swapped, offset axes: raw values stored, matrix %s in a udev rule" % matrix.group(1))

unit.tap(OK_BUTTON)
text = calibrate(bed, unit, launcher, shift=(60, 0))
check("CalibrationData = %s\r\n" % text in unit.log(panel), "60 px off: not stored")
bed.tap(*raw_of(ICON["sound"], shift=(60, 0)))
wait_for(lambda: unit.field(0) == 0, "the sound page opened on the shifted screen")
ok("a screen 60 px off calibrates in one go, and its taps then map")

unit.tap(OK_BUTTON, ICON["touch"])
bed.tap(*raw_of(TARGETS[0]))
second = pixels(unit.shot("second.png"))
bed.tap(*raw_of(TARGETS[0], shift=(3, -2)))
wait_for(lambda: "TouchCalibrate: tap 2 at %d,%d repeats tap 1; touch the cross again\r\n"
         % raw_of(TARGETS[0], shift=(3, -2)) in unit.log(panel), "the double-tap line")
changed_rows(second, pixels(unit.shot("double.png")), range(100, 135), "a double tap")
ok("a raw double tap is refused on the instruction line, the same cross asked again")

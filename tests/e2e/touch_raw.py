# Raw touch from a bound controller before any calibration (the linear map of its ranges), beside
# the pointer; a missing node, an empty ABS range, a stored calibration whose points lie on one
# line, and a controller that goes away in the middle of a drag.
import re

from evdevbed import *

linear = lambda point: (round((point[0] + 0.5) * RAW_MAX / 480),
                        round((point[1] + 0.5) * RAW_MAX / 234))
BAR, BAR_END = (300, 138), (250, 140)  # the brightness bar on the basic page


def store(unit, value):  # the laid-out registry's CalibrationData replaced, or taken out (None)
    path = unit.path("unit", "registry.reg")
    key = "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\TOUCH]\r\n"
    text = re.sub(r'"CalibrationData"="[^"]*"\r\n', "", unit.text(path))
    pathlib.Path(path).write_text(text.replace(key, key + (
        '"CalibrationData"="%s"\r\n' % value if value else "")), newline="")


# Raw taps on the linear map, which a stored calibration on one line leaves in use (none stored is
# the full-screen case below); a drag cut short by the controller going away.
unit = Unit()
bed = Bed(unit)
flat = "100,100 200,200 300,300 400,400 500,500"
store(unit, flat)
panel = unit.panel()
unit.said(panel, 'TOUCH: CalibrationData "%s" is singular (its points lie on one line); the '
          'calibration in use stays\r\n' % flat)
check(re.search(r'TOUCH: reading /dev/input/event0 \("Resistive Touch 12-bit", x 0\.\.4095, '
                r'y 0\.\.4095\)\r\n', unit.log(panel)), "no reading line:\n%s" % unit.log(panel))
check(bed.controller.grabbed, "the controller was not grabbed")
bed.tap(*linear(ICON["basic"]))
wait_for(lambda: unit.field(0) == 1, "the basic page opened by a raw tap")
bed.down(*linear(BAR))
bed.move(*linear(BAR_END))
wait_for(lambda: " pen move 250 140" in Unit.text(bed.frames), "the drag's move")
bed.unplug()
unit.logs(panel, "TOUCH: /dev/input/event0 went away (No such device); touch input ends\r\n")
wait_for(lambda: unit.field(5) == 250, "the drag's pen up at x 250")
unit.tap(OK_BUTTON, ICON["sound"])
wait_for(lambda: unit.field(0) == 0, "the pointer after the controller went away")
unit.closed(panel)
ok("singular calibration logged, raw taps on the linear map; unplugged mid-drag: the drag ends")

bed.controller.gone = False
unit.bind("TOUCH = evdev:/dev/input/event7\n")  # A bound node that does not exist.
panel = unit.panel()
unit.said(panel, "TOUCH: cannot open /dev/input/event7 (No such file or directory)\r\n")
unit.tap(ICON["sound"])
wait_for(lambda: unit.field(0) == 0, "the pointer's tap")
unit.closed(panel)
ok("a missing node: one line naming the kernel's error, the pointer still works")

unit.bind("TOUCH = evdev:%s\n" % NODE)  # An empty range: refused; the calibration still stored.
bed.controller.ranges = {ABS_X: (0, RAW_MAX), ABS_Y: (100, 100)}
panel = unit.panel()
unit.said(panel, "TOUCH: /dev/input/event0 reports an empty range (x 0..4095, y 100..100); "
          "not used\r\n")
unit.tap(ICON["touch"], *TARGETS)
unit.logs(panel, "TouchCalibrate: CalibrationData = %s\r\n" % TARGETS_RAW)
check(not os.path.exists(unit.dev("touch-calibration.rules")), "a udev rule")
unit.closed(panel)
ok("an empty ABS range is refused; the calibration is stored as without a controller")

bed.controller.ranges = {ABS_X: (0, RAW_MAX), ABS_Y: (0, RAW_MAX)}  # Full screen: the controller
store(unit, None)  # spans the display, the panel only its centred picture.
xvfb(unit, scale=None)
unit.env["DIALVANE_FULLSCREEN"] = "1"
panel = unit.panel()
x0, y0 = wait_for(lambda: re.search(r"scaled [0-9.]+ to 1280 x 624 at \((\d+), (\d+)\)",
                                    unit.log(panel)), "the full-screen layout").groups()
bed.tap(round((int(x0) + (ICON["advan"][0] + 0.5) * 1280 / 480) * RAW_MAX / 1280),
        round((int(y0) + (ICON["advan"][1] + 0.5) * 624 / 234) * RAW_MAX / 800))
wait_for(lambda: unit.field(0) == 2, "the advanced page by a raw tap on the full display")
ok("full screen, a raw tap maps through the display's layout onto the panel")

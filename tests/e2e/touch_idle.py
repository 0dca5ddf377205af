# The calibration screen gives up 30 s after the last tap and keeps the calibration there was. The
# wait is real, so it is checked once, in the build without sanitizers.
from dvtest import *

if ASAN:
    sys.exit(print("ok: the 30 s wait is checked in the build without sanitizers"))
unit = Unit()
launcher, panel = unit.launcher(), unit.panel()
unit.tap(ICON["touch"])
time.sleep(1)  # the limit runs from the last tap, not from the screen's start
unit.tap(TARGETS[0])
tapped = time.monotonic()
wait_for(lambda: "TouchCalibrate: no tap for 30 s\r\nTouchCalibrate: cancelled, calibration kept"
         "\r\n" in unit.log(panel), "the screen giving up", 40)
waited = time.monotonic() - tapped
check(29.5 <= waited < 31.0, "the screen gave up %.2f s after the last tap" % waited)
wait_for(lambda: unit.heard(launcher)[-1:] == ["UM_TOUCH_CAL 0 0"], "the end of the touch page")
check('"CalibrationData"="%s"' % FACTORY_CAL in unit.registry(), "the calibration changed")
unit.closed(panel)
ok("no tap for 30 s: the screen gave up %.2f s after the last tap, the calibration kept" % waited)

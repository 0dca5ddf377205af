# Every page driven through dialvane-ctl as the touch screen drives it: a
# change on each, Default and the close box, checked in the settings file,
# the drivers' journals, the boot record, the launcher's lines and the screen.
import os

from dvtest import *

unit = Unit()
launcher = unit.launcher()
panel = unit.panel()


def boot_flag():
    with open(os.path.join(unit.root, "dev", "FLS1.img"), "rb") as f:
        f.seek(2112 + 90)
        return f.read(1)[0]


unit.tap(ICON["sound"])
unit.drag((116, 150), (116, 100), (116, 60))
check(fields(unit.conf())[1] == 10, "navigation volume is %d, not 10" % fields(unit.conf())[1])
check("volume 0xffffffff" in unit.journal("WAV1"), "no full volume in WAV1.log")
check(pixels(unit.shot("sound.png"))[150][114] != 0x111111, "the navigation fill is not drawn")
unit.tap(OK_BUTTON)
check(unit.heard(launcher) == ["UM_SETTINGS_PAGE 0 0"] * 2, "launcher: %s" % unit.heard(launcher))
ok("sound page: the slider released at the top stores step 10, sets full volume, fills the bar")

unit.tap(ICON["basic"])
unit.tap((180, 110))
check(fields(unit.conf())[7] == 3 and boot_flag() == 0, "power-on off left field %d, boot flag %d"
      % (fields(unit.conf())[7], boot_flag()))
unit.drag((300, 138), (250, 140), (250, 140))
check(fields(unit.conf())[5] == 250, "brightness is %d, not 250" % fields(unit.conf())[5])
check("ioctl 0x00002000 in 3a" in unit.journal("BAK1")[-2], "backlight: %s"
      % unit.journal("BAK1")[-3:])
unit.tap(OK_BUTTON)
ok("basic page: power-on off reaches the boot record, brightness the backlight")

unit.tap(ICON["advan"])
unit.tap((180, 120))
check(fields(unit.conf())[8] == 2, "rear camera is %d, not 2" % fields(unit.conf())[8])
unit.tap(DEFAULT_BUTTON)
check(unit.conf() == record(FACTORY) and boot_flag() == 1, "Default left %s, boot flag %d"
      % (unit.conf().hex(" "), boot_flag()))
unit.tap(OK_BUTTON)
check(unit.heard(launcher)[2:] == ["UM_SETTINGS_PAGE %d 0" % p for p in (1,) * 5 + (2, 2, 0)],
      "launcher: %s" % unit.heard(launcher))
ok("advanced page: an option, then Default puts the factory record and boot flag back")

unit.pen("down", CLOSE_BOX)
unit.ctl("pen", "up", *CLOSE_BOX, expect=None)  # the panel may be gone before it is idle
check(panel.wait(timeout=10 * SLOW) == 0, "the close box ended the panel with %s"
      % panel.returncode)
ok("the close box ends the panel with status 0")

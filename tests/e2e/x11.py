# The panel in a real X window under Xvfb, driven by the X11 pointer with
# xdotool as a person with a mouse would: open a page, drag a slider, switch
# an option, drag a bar, and close with the close box right after a click.
from dvtest import *

SCALE = 2
unit = Unit()
xvfb(unit, SCALE)
launcher = unit.launcher()
panel = unit.panel()
win = panel_window(unit)
geometry = xdo("getwindowgeometry", "--shell", win, unit=unit).stdout
check("WIDTH=%d\nHEIGHT=%d" % (480 * SCALE, 234 * SCALE) in geometry, "window: %s" % geometry)
ok("the panel's X window is 480 x 234 at scale %d" % SCALE)


def drag(*points):
    """The pointer pressed at the first point, moved through the others, let go."""
    moves = [["mousemove", "--window", win] + [c * SCALE + SCALE // 2 for c in p] for p in points]
    xdo(*moves[0], "mousedown", 1, *sum(moves[1:], []), "mouseup", 1, unit=unit)


click = drag


def field_becomes(n, value, what):
    wait_for(lambda: fields(unit.conf())[n] == value, "%s (field %d)" % (what, n))


click(ICON["sound"])
wait_for(lambda: unit.heard(launcher) == ["UM_SETTINGS_PAGE 0 0"], "the sound page's notice")
drag((223, 150), (223, 120), (223, 95))
field_becomes(2, 8, "DMB volume step 8 after a drag to y 95")
ok("a click opens the sound page and tells the launcher; a slider drag stores step 8")

click(OK_BUTTON)
click(ICON["basic"])
click((370, 82))
field_becomes(4, 2, "auto start DMB")
drag((300, 165), (190, 165))
field_becomes(6, 190, "contrast 190")
wait_for(lambda: "ioctl 0x00000000 in 8a 74 44" in unit.journal("IIC1"), "contrast 0x44 sent")
ok("an option click stores auto start DMB; a bar drag to x 190 drives the display chip")

# A click, then at once the close box: the window goes while wake-ups are on their way.
click(OK_BUTTON)
click(CLOSE_BOX)
check(panel.wait(timeout=10 * SLOW) == 0, "the close box ended the panel with %s:\n%s"
      % (panel.returncode, unit.text(panel.err)[-2000:]))
check("X Error" not in unit.text(panel.err), "X errors: %s" % unit.text(panel.err)[-2000:])
ok("the close box right after a click ends the panel with status 0 and no X error")

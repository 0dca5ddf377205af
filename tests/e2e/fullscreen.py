# The panel full screen under Xvfb on the unit's display sizes: centred on black at the fit's scale,
# taps mapped from panel pixels reach an icon and slider ends, the window has its icon, the
# border takes no taps and a drag goes on into it; a window is driven with the X pointer.
from dvtest import *

# Screen, DIALVANE_SCALE, the panel's picture (x, y, width, height), filter.
# The platform's Display tests check the fit of every display size; here one of each filter.
SIZES = [("1024x600", "3", (0, 50, 1024, 499), "smooth"),  # a number is not for full screen
         ("1280x720", "integer", (160, 126, 960, 468), "crisp")]


def press(unit, points, *window):  # pressed at the first point, let go at the last
    moves = [["mousemove", *window, x, y] for x, y in points]
    xdo(*moves[0], "mousedown", 1, *sum(moves[1:], []), "mouseup", 1, unit=unit)


screen_rows = lambda unit: ppm_rows(subprocess.run(  # the X screen's rows of 0xRRGGBB values
    "xwd -root -silent | xwdtopnm", shell=True, capture_output=True, env=unit.env, timeout=30,
    check=True).stdout)


def check_picture(unit, box, filter):
    x0, y0, w, h = box
    screen, panel = screen_rows(unit), pixels(unit.shot("panel.png"))
    lit = [(x, y) for y, row in enumerate(screen) for x, v in enumerate(row) if v and not (
        x0 <= x < x0 + w and y0 <= y < y0 + h)]
    check(not lit, "the border is lit at %s" % lit[:5])
    # At the middle of a panel pixel among its like, any filter shows its colour.
    alike = lambda px, py: all(panel[py + j][px + i] == panel[py][px] for i in (-1, 0, 1)
                               for j in (-1, 0, 1))
    for py in range(1, 233, 3):
        for px in range(1, 479, 3):
            sx, sy = x0 + int((px + 0.5) * w / 480), y0 + int((py + 0.5) * h / 234)
            check(not alike(px, py) or screen[sy][sx] == panel[py][px], "panel (%d, %d) %06x, "
                  "screen (%d, %d) %06x" % (px, py, panel[py][px], sx, sy, screen[sy][sx]))
    # Nearest scaling adds no colour, linear filtering blends new ones at edges.
    colours = {v for row in panel for v in row}
    new = {v for row in screen[y0:y0 + h] for v in row[x0:x0 + w]} - colours
    check(bool(new) == (filter == "smooth"), "%d new colours, filter %s" % (len(new), filter))


def run(size, scale, box, filter):
    unit = Unit()
    xvfb(unit, scale, size)
    width, height = map(int, size.split("x"))
    x0, y0, w, h = box
    at = lambda p: (x0 + int((p[0] + 0.5) * w / 480), y0 + int((p[1] + 0.5) * h / 234))
    drag = lambda *points: press(unit, points)  # screen points
    launcher, panel = unit.launcher(), unit.panel({"DIALVANE_FULLSCREEN": "1"})
    unit.said(panel, "Display: full screen %d x %d, panel scaled %.3f to %d x %d at (%d, %d), "
              "%s\r\n" % (width, height, w / 480.0, w, h, x0, y0, filter))
    check(("DIALVANE_SCALE is 'integer' or unset, not '3'" in unit.log(panel)) == (scale == "3"),
          "the log on DIALVANE_SCALE=%s:\n%s" % (scale, unit.log(panel)))
    geometry = window_geometry(unit)
    check("X=0\nY=0\nWIDTH=%d\nHEIGHT=%d" % (width, height) in geometry, geometry)
    icon = subprocess.run(["xprop", "-id", panel_window(unit), "_NET_WM_ICON"], env=unit.env,
                          capture_output=True, text=True, timeout=30).stdout
    check("Icon (32 x 32):" in icon, "the window's icon: " + icon[:80])
    check_picture(unit, box, filter)
    ok("%s %s: full screen, icon, log line; %s in %s on black" % (size, scale or "", filter, box))

    # Taps in the border, below and beside the icons, then one on the sound icon.
    sound = at(ICON["sound"])
    border = [(sound[0], (y0 + h + height) // 2), (sound[0], y0 // 2)] + (
        [(x0 // 2, sound[1]), ((x0 + w + width) // 2, sound[1])] if x0 else [])
    for point in border + [sound]:
        drag(point)
    wait_for(lambda: unit.heard(launcher) == ["UM_SETTINGS_PAGE 0 0"], "the sound page alone")
    drag(at((116, 160)))  # the navigation slider's foot
    wait_for(lambda: unit.field(1) == 0, "navigation volume 0 at the slider's foot")
    drag(at((116, 120)), at((116, 40)), (at((116, 0))[0], y0 // 2))  # up into the border
    wait_for(lambda: unit.field(1) == 10, "navigation volume 10 past the slider's top")
    ok("border taps do nothing; sound icon: its page; slider foot: step 0, to the border: 10")
    unit.closed(panel)


for case in SIZES:
    run(*case)

# Values DIALVANE_FULLSCREEN and DIALVANE_SCALE do not know: a window at the largest scale that fits
# (2: scale 3 is one row too tall), and log lines. In that window the X pointer opens a page and
# closes with the close box at once after a click, while wake-ups are on their way.
unit = Unit()
xvfb(unit, None, "1440x701")
launcher, panel = unit.launcher(), unit.panel({"DIALVANE_FULLSCREEN": "yes", "DIALVANE_SCALE": "9"})
check("WIDTH=960\nHEIGHT=468" in window_geometry(unit), "the window is not 960 x 468")
unit.said(panel, "DIALVANE_FULLSCREEN must be 0 or 1, not 'yes'; opening a window",
          "DIALVANE_SCALE must be 1..8; choosing a scale that fits")
win = panel_window(unit)
drag = lambda *points: press(unit, [(x * 2 + 1, y * 2 + 1) for x, y in points], "--window", win)
drag(ICON["sound"])
wait_for(lambda: unit.heard(launcher) == ["UM_SETTINGS_PAGE 0 0"], "the sound page's notice")
drag(OK_BUTTON)
drag(CLOSE_BOX)
unit.ended(panel, 0, "the panel after the close box", 10)
check("X Error" not in unit.text(panel.err), unit.text(panel.err)[-2000:])
ok("FULLSCREEN=yes: logged, a 960 x 468 window; pointer: the sound page; close box: 0")

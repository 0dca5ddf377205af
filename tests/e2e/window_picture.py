# What the X window shows is the panel's own picture (dialvane-ctl shot), pixel for pixel at the
# window's scale, after partial redraws, through the window's surface and through SDL's renderer
# at scales 1 and 2, each logged; a scale too large for the display is lowered.
from dvtest import *

SAID = {"surface": "Display: presenting through the window's surface, without OpenGL "
                   "(DIALVANE_PRESENT=surface)",
        "renderer": "Display: presenting through SDL's renderer 'software' "
                    "(DIALVANE_PRESENT=renderer)"}
# Compared after the steps that redraw a part of the screen only (named).
STEPS = [(None, [ICON["sound"]]),
         ("the navigation slider dragged", [(116, 150), (116, 120), (116, 95)]),
         (None, [OK_BUTTON]), (None, [ICON["basic"]]),
         ("an option tapped", [(370, 82)]),
         ("the brightness bar dragged", [(300, 138), (250, 138), (200, 138)])]


def window_pixels(unit, win):  # RGB bytes from xwd's dump (xwdtopnm maps through the colormap)
    dump = subprocess.run(["xwd", "-id", win, "-silent"], capture_output=True, env=unit.env,
                          timeout=30, check=True).stdout
    head = struct.unpack(">25I", dump[:100])
    width, height, order, bits, line, masks = head[4], head[5], head[7], head[11], head[12], \
        head[14:17]
    check((order, bits, line, masks) == (0, 32, width * 4, (0xFF0000, 0xFF00, 0xFF)),
          "an X image of another layout: %s" % (head,))
    data = dump[head[0] + head[19] * 12:][:line * height]
    rgb = bytearray(width * height * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = data[2::4], data[1::4], data[0::4]
    return bytes(rgb)


def compare(unit, win, scale, what):
    ppm = subprocess.run(["sh", "-c", "pngtopnm | pnmenlarge %d" % scale], capture_output=True,
                         input=unit.read(unit.shot("panel.png")), check=True).stdout  # scaled
    window, panel = window_pixels(unit, win), ppm[len(ppm) - 480 * 234 * 3 * scale * scale:]
    if window != panel:
        at = next(i for i in range(len(panel)) if window[i:i + 1] != panel[i:i + 1]) // 3
        check(False, "after %s at scale %d the window differs from the shot first at (%d, %d)"
              % (what, scale, at % (480 * scale), at // (480 * scale)))


unit = Unit()
xvfb(unit, None, "1024x768")  # one X server for every case
for way, scale in [(way, scale) for way in SAID for scale in (1, 2)]:  # each way at scales 1, 2
    panel = unit.panel({"DIALVANE_PRESENT": way, "DIALVANE_SCALE": str(scale)})
    win = panel_window(unit)
    unit.said(panel, SAID[way])
    for what, points in STEPS:
        unit.drag(*points) if len(points) > 1 else unit.tap(points[0])
        if what:
            compare(unit, win, scale, what)
    ok("%s, scale %d: the window shows the shot after %d steps" % (way, scale, len(STEPS)))
    unit.closed(panel)

panel = unit.panel({"DIALVANE_SCALE": "5"})  # too large for the display: lowered, with a log line
check("WIDTH=960\nHEIGHT=468" in window_geometry(unit), "the window is not at scale 2")
said = "DIALVANE_SCALE=5 makes a window of 2400 x 1170, larger than the display's 1024 x 768; " \
       "using scale 2"
unit.said(panel, said)
ok("DIALVANE_SCALE=5 on 1024 x 768: " + said)

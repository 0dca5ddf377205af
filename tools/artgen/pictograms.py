"""The pictograms of the main menu and its previews, drawn on a paint.Layer
inside a square of side s centred at (cx, cy)."""

import math

from paint import gear_points

ERASE = (0, 0, 0, 0)


class Colours:
    def __init__(self, body, shade, accent, detail):
        self.body = body      # main metal surface
        self.shade = shade    # darker metal for depth
        self.accent = accent  # green details
        self.detail = detail  # darkest lines


NORMAL = Colours((196, 202, 210, 255), (128, 136, 148, 255), (104, 178, 96, 255),
                 (40, 44, 52, 255))
LIT = Colours((240, 246, 250, 255), (170, 182, 194, 255), (132, 236, 108, 255),
              (36, 48, 40, 255))


def _bar(layer, p0, p1, width, fill):
    """A thick segment with round ends."""
    layer.line([p0, p1], fill=fill, width=width)
    r = width / 2
    for x, y in (p0, p1):
        layer.ellipse(x - r, y - r, x + r, y + r, fill=fill)


def _quad(p0, p1, w0, w1):
    """The polygon of a segment that widens from w0 at p0 to w1 at p1."""
    (x0, y0), (x1, y1) = p0, p1
    length = math.hypot(x1 - x0, y1 - y0)
    nx, ny = -(y1 - y0) / length, (x1 - x0) / length
    return [(x0 + nx * w0 / 2, y0 + ny * w0 / 2), (x1 + nx * w1 / 2, y1 + ny * w1 / 2),
            (x1 - nx * w1 / 2, y1 - ny * w1 / 2), (x0 - nx * w0 / 2, y0 - ny * w0 / 2)]


def speaker(layer, cx, cy, s, c):
    x = cx - 0.16 * s
    layer.rounded(x - 0.22 * s, cy - 0.14 * s, x + 0.02 * s, cy + 0.14 * s, 0.03 * s,
                  fill=c.shade)
    layer.polygon([(x, cy - 0.14 * s), (x + 0.22 * s, cy - 0.36 * s),
                   (x + 0.26 * s, cy - 0.36 * s), (x + 0.26 * s, cy + 0.36 * s),
                   (x + 0.22 * s, cy + 0.36 * s), (x, cy + 0.14 * s)], fill=c.body)
    layer.rounded(x - 0.19 * s, cy - 0.11 * s, x - 0.01 * s, cy + 0.11 * s, 0.02 * s,
                  fill=c.body)
    wx = x + 0.3 * s
    for i, r in enumerate((0.12, 0.24, 0.36)):
        colour = c.accent if i == 2 else c.body
        layer.arc(wx - r * s, cy - r * s, wx + r * s, cy + r * s, -48, 48, colour,
                  width=0.055 * s)


def wrench_and_screwdriver(layer, cx, cy, s, c):
    # Screwdriver from bottom right to top left.
    tip = (cx - 0.33 * s, cy - 0.33 * s)
    shaft_end = (cx + 0.04 * s, cy + 0.04 * s)
    layer.polygon(_quad(tip, shaft_end, 0.03 * s, 0.07 * s), fill=c.shade)
    _bar(layer, (cx + 0.07 * s, cy + 0.07 * s), (cx + 0.3 * s, cy + 0.3 * s), 0.15 * s,
         c.accent)
    _bar(layer, (cx + 0.1 * s, cy + 0.1 * s), (cx + 0.28 * s, cy + 0.28 * s), 0.04 * s,
         c.detail)
    # Wrench from bottom left to top right, over the screwdriver.
    a = (cx - 0.26 * s, cy + 0.26 * s)
    b = (cx + 0.2 * s, cy - 0.2 * s)
    _bar(layer, a, b, 0.12 * s, c.body)
    hx, hy, hr = cx + 0.25 * s, cy - 0.25 * s, 0.15 * s
    layer.ellipse(hx - hr, hy - hr, hx + hr, hy + hr, fill=c.body)
    jaw = 0.06 * s
    layer.polygon([(hx - jaw * 0.4, hy + jaw * 0.4), (hx + 0.3 * s, hy - 0.02 * s),
                   (hx + 0.02 * s, hy - 0.3 * s)], fill=ERASE)
    layer.polygon([(hx - jaw, hy + jaw * 0.1), (hx + 0.1 * s, hy - 0.1 * s),
                   (hx - jaw * 0.1, hy + jaw)], fill=ERASE)
    tr = 0.1 * s
    layer.ellipse(a[0] - tr, a[1] - tr, a[0] + tr, a[1] + tr, fill=c.body)
    layer.ellipse(a[0] - tr * 0.45, a[1] - tr * 0.45, a[0] + tr * 0.45, a[1] + tr * 0.45,
                  fill=ERASE)
    _bar(layer, (cx - 0.14 * s, cy + 0.14 * s), (cx + 0.1 * s, cy - 0.1 * s), 0.03 * s,
         c.shade)


def calipers_and_magnifier(layer, cx, cy, s, c):
    top = cy - 0.34 * s
    left = cx - 0.4 * s
    right = cx + 0.38 * s
    layer.rounded(left, top, right, top + 0.12 * s, 0.02 * s, fill=c.body)
    for i in range(9):
        x = left + 0.08 * s + i * 0.07 * s
        layer.rect(x, top + 0.02 * s, x + max(0.5, 0.012 * s),
                   top + (0.07 if i % 2 == 0 else 0.05) * s, fill=c.detail)
    # Fixed jaw at the left, sliding jaw in the middle.
    layer.polygon([(left, top + 0.1 * s), (left + 0.1 * s, top + 0.1 * s),
                   (left + 0.1 * s, top + 0.42 * s), (left + 0.02 * s, top + 0.5 * s)],
                  fill=c.body)
    jx = cx - 0.12 * s
    layer.rounded(jx - 0.04 * s, top - 0.03 * s, jx + 0.1 * s, top + 0.16 * s, 0.02 * s,
                  fill=c.shade)
    layer.polygon([(jx, top + 0.12 * s), (jx + 0.1 * s, top + 0.12 * s),
                   (jx + 0.02 * s, top + 0.5 * s), (jx, top + 0.42 * s)], fill=c.shade)
    # Magnifier over the lower right.
    mx, my, mr = cx + 0.12 * s, cy + 0.08 * s, 0.2 * s
    _bar(layer, (mx + mr * 0.7, my + mr * 0.7), (cx + 0.42 * s, cy + 0.42 * s), 0.1 * s,
         c.accent)
    layer.ellipse(mx - mr - 0.03 * s, my - mr - 0.03 * s, mx + mr + 0.03 * s,
                  my + mr + 0.03 * s, fill=c.body)
    layer.ellipse(mx - mr + 0.04 * s, my - mr + 0.04 * s, mx + mr - 0.04 * s,
                  my + mr - 0.04 * s, fill=(60, 90, 110, 200))
    layer.arc(mx - mr + 0.08 * s, my - mr + 0.08 * s, mx + mr - 0.08 * s, my + mr - 0.08 * s,
              200, 260, (230, 240, 250, 220), width=0.03 * s)


def screen_and_hand(layer, cx, cy, s, c):
    x0, y0, x1, y1 = cx - 0.42 * s, cy - 0.38 * s, cx + 0.34 * s, cy + 0.14 * s
    layer.rounded(x0, y0, x1, y1, 0.05 * s, fill=c.body)
    layer.rounded(x0 + 0.05 * s, y0 + 0.05 * s, x1 - 0.05 * s, y1 - 0.05 * s, 0.02 * s,
                  fill=(34, 52, 66, 255))
    # A touched spot with ripples on the screen.
    tx, ty = cx - 0.02 * s, cy - 0.14 * s
    for r, a in ((0.05, 255), (0.1, 170), (0.15, 90)):
        layer.arc(tx - r * s, ty - r * s, tx + r * s, ty + r * s, 0, 360,
                  c.accent[:3] + (a,), width=0.025 * s)
    layer.rect(cx - 0.1 * s, y1, cx + 0.02 * s, y1 + 0.06 * s, fill=c.shade)
    layer.rounded(cx - 0.2 * s, y1 + 0.05 * s, cx + 0.12 * s, y1 + 0.09 * s, 0.02 * s,
                  fill=c.shade)
    # The hand: index finger up to the spot, palm below right.
    fw = 0.1 * s
    layer.rounded(tx - fw / 2, ty - 0.01 * s, tx + fw / 2, cy + 0.22 * s, fw / 2,
                  fill=c.body, outline=c.detail, width=0.02 * s)
    layer.rounded(tx - 0.06 * s, cy + 0.12 * s, tx + 0.3 * s, cy + 0.46 * s, 0.09 * s,
                  fill=c.body, outline=c.detail, width=0.02 * s)
    for i in range(3):
        kx = tx + 0.07 * s + i * 0.075 * s
        layer.rounded(kx, cy + 0.08 * s, kx + 0.08 * s, cy + 0.24 * s, 0.04 * s,
                      fill=c.body, outline=c.detail, width=0.02 * s)
    layer.rounded(tx - fw / 2 + 0.02 * s, ty + 0.02 * s, tx + fw / 2 - 0.02 * s, cy + 0.2 * s,
                  fw / 2, fill=c.body)
    layer.rounded(tx - 0.13 * s, cy + 0.2 * s, tx + 0.02 * s, cy + 0.3 * s, 0.05 * s,
                  fill=c.body, outline=c.detail, width=0.02 * s)


def gears(layer, cx, cy, s, big, small, hole):
    bx, by = cx - 0.12 * s, cy + 0.06 * s
    layer.polygon(gear_points(bx, by, 0.36 * s, 0.28 * s, 10), fill=big)
    layer.ellipse(bx - 0.12 * s, by - 0.12 * s, bx + 0.12 * s, by + 0.12 * s, fill=hole)
    sx, sy = cx + 0.27 * s, cy - 0.24 * s
    layer.polygon(gear_points(sx, sy, 0.22 * s, 0.16 * s, 8, phase=0.2), fill=small)
    layer.ellipse(sx - 0.07 * s, sy - 0.07 * s, sx + 0.07 * s, sy + 0.07 * s, fill=hole)


PICTOGRAMS = {
    "sound": speaker,
    "basic": wrench_and_screwdriver,
    "advanced": calipers_and_magnifier,
    "touch": screen_and_hand,
}

"""The small pieces drawn over the pages (knobs, fills, the option mark, the FM
arrows and box) and the application icon."""

from PIL import Image

import layout as L
import paint as P
import pictograms as G
from palette import *
from panels import local


# ---------------------------------------------------------------- small pieces

def knob(size, background):
    """A round grey knob over the given background (an RGB image of size)."""
    w, h = size
    img = background.copy()
    lay = P.Layer(size)
    cx, cy, r = w / 2, h / 2, min(w, h) / 2 - 0.3
    lay.ellipse(cx - r, cy - r + 0.8, cx + r, cy + r + 0.8, fill=(0, 0, 0, 150))
    lay.ellipse(cx - r, cy - r, cx + r, cy + r, fill=(70, 74, 80, 255))
    P.over(img, lay)
    face = P.gradient_fill(size, (236, 238, 240), (120, 124, 130))
    m = P.shape_mask(size, lambda l: l.ellipse(cx - r + 1, cy - r + 1, cx + r - 1, cy + r - 1,
                                               fill=(255, 255, 255, 255)))
    P.over(img, P.masked(face, m))
    inner = P.Layer(size)
    ir = r * 0.52
    inner.ellipse(cx - ir, cy - ir, cx + ir, cy + ir, fill=(150, 154, 160, 255),
                  outline=(110, 114, 120, 255), width=0.8)
    inner.ellipse(cx - 1.4, cy - 1.4, cx + 1.4, cy + 1.4, fill=ACCENT + (255,))
    P.over(img, inner)
    return img


def slider_knob(sound_panel_img):
    # The knob slides over the track; its corners show the track beside it.
    ox, oy = local(L.SLIDER_COLUMNS[0], L.SLIDER_TOP + 20)
    return knob((18, 19), sound_panel_img.crop((ox, oy, ox + 18, oy + 19)))


def bar_knob():
    back = Image.new("RGB", (19, 19), L.PANEL_FILL)
    return knob((19, 19), back)


def slider_fill():
    cols = [(44, 128, 44), (126, 232, 104), (98, 210, 80), (36, 108, 36)]
    img = Image.new("RGB", (4, 79))
    for x, c in enumerate(cols):
        for y in range(79):
            img.putpixel((x, y), c)
    return img


def bar_fill():
    rows = [(112, 226, 92), (150, 246, 120), (54, 150, 50)]
    img = Image.new("RGB", (268, 3))
    for y, c in enumerate(rows):
        for x in range(268):
            img.putpixel((x, y), c)
    return img


def option_mark():
    img = Image.new("RGB", L.MARK_SIZE, L.PANEL_FILL)
    cx, cy = 7.5, 7
    m = P.Layer(L.MARK_SIZE)
    m.ellipse(cx - 6.5, cy - 6.5, cx + 6.5, cy + 6.5, fill=(12, 12, 12, 255),
              outline=(150, 200, 140, 255), width=1.3)
    P.over(img, m)
    dot = P.Layer(L.MARK_SIZE)
    dot.ellipse(cx - 3.6, cy - 3.6, cx + 3.6, cy + 3.6, fill=ACCENT + (255,))
    P.over(img, P.glow(dot.reduced().split()[3], (120, 255, 100), 1.2, 0.8))
    P.over(img, dot)
    hi = P.Layer(L.MARK_SIZE)
    hi.ellipse(cx - 2.2, cy - 2.6, cx + 0.4, cy - 0.4, fill=(230, 255, 220, 200))
    P.over(img, hi)
    return img


def fm_arrow(left):
    img = Image.new("RGB", (12, 14), L.PANEL_FILL)
    lay = P.Layer((12, 14))
    if left:
        pts = [(9.5, 2), (9.5, 12), (2, 7)]
    else:
        pts = [(2.5, 2), (2.5, 12), (10, 7)]
    lay.polygon(pts, fill=(200, 206, 212, 255))
    P.over(img, lay)
    return img


def fm_box():
    w, h = 54, 18
    img = Image.new("RGB", (w, h), L.PANEL_FILL)
    face = P.gradient_fill((w, h), (96, 100, 108), (58, 62, 68))
    m = P.shape_mask((w, h), lambda l: l.rounded(0.5, 0.5, w - 0.5, h - 0.5, 5,
                                                 fill=(255, 255, 255, 255)))
    P.over(img, P.masked(face, m))
    edge = P.Layer((w, h))
    edge.rounded(0.5, 0.5, w - 0.5, h - 0.5, 5, outline=(140, 146, 154, 255), width=1)
    P.over(img, edge)
    return img


# ---------------------------------------------------------------- icon 128

def app_icon():
    size = 64
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    lay = P.Layer((size, size))
    lay.rounded(1, 1, size - 1, size - 1, 12, fill=(24, 30, 38, 255))
    G.gears(lay, 32, 33, 52, big=(200, 206, 214, 255), small=ACCENT + (255,),
            hole=(24, 30, 38, 255))
    img.alpha_composite(lay.reduced())
    return img

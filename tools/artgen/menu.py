"""The main menu's pieces: the background with its header, the four category
icons (plain and lit halves) and their previews."""

import math

from PIL import Image, ImageDraw, ImageFilter

import layout as L
import paint as P
import pictograms as G
from palette import *

ICON_INFO = {  # id: (pictogram, caption, English, description)
    130: ("sound", "음량 설정", "VOLUME", ("내비게이션 · DMB", "AV-IN 음량")),
    131: ("basic", "기본 설정", "BASIC", ("자동 실행 · 자동 전원", "화면 밝기 · 명암")),
    132: ("advanced", "고급 설정", "ADVANCED", ("PIP 음성 안내", "후방 카메라")),
    133: ("touch", "터치 설정", "TOUCH", ("터치 화면 보정",)),
}


# ---------------------------------------------------------------- background

def main_background():
    w, h = L.SCREEN
    img = P.vertical_gradient((w, h), [(0.0, BG_TOP), (0.45, BG_MID), (1.0, BG_BOTTOM)])
    # A soft light from the upper right, as from a window.
    light = Image.new("L", (w, h), 0)
    ImageDraw.Draw(light).ellipse([220, -160, 640, 140], fill=40)
    light = light.filter(ImageFilter.GaussianBlur(60))
    P.over(img, P.masked(Image.new("RGB", (w, h), (60, 80, 100)), light))
    # The wave: a bundle of thin lines sweeping across the lower half.
    waves = P.Layer((w, h))
    for i in range(9):
        amp = 20 + i * 2.2
        base = 150 + i * 6
        phase = i * 0.16
        pts = [(x, base + amp * math.sin(x / 92.0 + phase) - 0.05 * x)
               for x in range(-4, w + 5, 2)]
        alpha = 70 - abs(i - 4) * 12
        waves.line(pts, fill=WAVE + (alpha,), width=0.8)
    band = P.Layer((w, h))
    pts = [(x, 168 + 26 * math.sin(x / 92.0 + 0.6) - 0.05 * x) for x in range(-4, w + 5, 2)]
    band.polygon(pts + [(w + 4, h + 4), (-4, h + 4)], fill=(18, 40, 46, 120))
    P.over(img, band)
    P.over(img, waves.reduced().filter(ImageFilter.GaussianBlur(0.4)))
    glow_line = P.Layer((w, h))
    pts = [(x, 172 + 24 * math.sin(x / 92.0 + 0.64) - 0.05 * x) for x in range(-4, w + 5, 2)]
    glow_line.line(pts, fill=(150, 240, 200, 150), width=1.2)
    soft = glow_line.reduced()
    P.over(img, soft.filter(ImageFilter.GaussianBlur(3)))
    P.over(img, soft)
    header(img)
    return img


def header(img):
    emblem = P.Layer(img.size)
    G.gears(emblem, 19, 17, 24, big=(196, 202, 210, 255), small=ACCENT + (255,),
            hole=(0, 0, 0, 0))
    P.over(img, emblem)
    P.draw_text(img, (36, 18), "환경 설정", P.font("square-bold", 16), TEXT, anchor="lm",
                shadow=(0, 0, 0, 160))
    x = P.text_box("환경 설정", P.font("square-bold", 16), (36, 18), anchor="lm")[2]
    P.draw_text(img, (x + 8, 19), "SETTINGS", P.font("square", 10), TEXT_DIM, anchor="lm")
    line = P.Layer(img.size)
    line.rect(8, 29, 400, 30, fill=(90, 100, 110, 90))
    line.rect(8, 29, 60, 30, fill=ACCENT + (200,))
    P.over(img, line)


# ---------------------------------------------------------------- main icons

ICON_EDGE = 3  # columns and rows at the icon's edges that no lit effect reaches
HALO_BLUR = 3
CAPTION_GLOW = 1.5  # small enough to fade out in the five rows under the caption


def icon_half(bg, rect, kind, caption, lit):
    w, h = rect[2] - rect[0], rect[3] - rect[1]
    img = bg.crop(rect)
    s = min(w - 6, h - 30)
    cx, cy = w / 2, 4 + s / 2 + 2
    colours = G.LIT if lit else G.NORMAL
    if lit:
        # The glow lies inside the ring, and the ring inside the rectangle,
        # so the pressed look ends within the button instead of at its edges.
        r = min(s * 0.5, min(cx, w - cx, cy) - ICON_EDGE)
        disc = P.shape_mask((w, h), lambda l: l.ellipse(cx - r - 1, cy - r - 1, cx + r + 1,
                                                        cy + r + 1, fill=(255, 255, 255, 255)))
        halo = P.Layer((w, h))
        halo.ellipse(cx - r, cy - r, cx + r, cy + r, fill=(40, 110, 50, 150))
        P.over(img, P.clipped(halo.reduced().filter(ImageFilter.GaussianBlur(HALO_BLUR)), disc))
        ring = P.Layer((w, h))
        ring.ellipse(cx - r, cy - r, cx + r, cy + r, outline=ACCENT + (210,), width=1.2)
        P.over(img, ring)
    pic = P.Layer((w, h))
    G.PICTOGRAMS[kind](pic, cx, cy, s * 0.92, colours)
    reduced = pic.reduced()
    shadow = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    shadow.putalpha(reduced.split()[3].filter(ImageFilter.GaussianBlur(2)).point(
        lambda a: a * 3 // 4))
    P.over(img, shadow, (1, 2))
    if lit:
        P.over(img, P.clipped(P.glow(reduced.split()[3], (140, 255, 120), 2.5, 0.7), disc))
    P.over(img, reduced)
    fnt = P.font("gothic-bold", 11)
    ty = h - 11
    if lit:
        P.draw_text(img, (w // 2, ty), caption, fnt, (170, 255, 140), anchor="mm",
                    shadow=(0, 0, 0, 200), glow_colour=(60, 160, 60), glow_radius=CAPTION_GLOW)
    else:
        P.draw_text(img, (w // 2, ty), caption, fnt, LABEL, anchor="mm", shadow=(0, 0, 0, 200))
    return img


def icon_strip(bg, bid):
    rect = L.ICON_RECTS[bid]
    kind, caption = ICON_INFO[bid][:2]
    normal = icon_half(bg, rect, kind, caption, lit=False)
    pressed = icon_half(bg, rect, kind, caption, lit=True)
    return side_by_side(normal, pressed)


def side_by_side(a, b):
    strip = Image.new("RGB", (a.width * 2, a.height))
    strip.paste(a, (0, 0))
    strip.paste(b, (a.width, 0))
    return strip


def preview(bg, bid):
    kind, caption, english, description = ICON_INFO[bid]
    x, y = L.PREVIEW_ORIGIN
    w, h = L.PREVIEW_SIZE
    img = bg.crop((x, y, x + w, y + h))
    card = P.Layer((w, h))
    card.rounded(3, 4, w - 3, h - 3, 10, fill=(10, 14, 18, 190))
    card.rounded(3, 4, w - 3, h - 3, 10, outline=(110, 120, 130, 150), width=1)
    P.over(img, card)
    sheen = P.Layer((w, h))
    sheen.rounded(4, 5, w - 4, 40, 9, fill=(255, 255, 255, 14))
    P.over(img, sheen)
    s = 78
    cx, cy = 50, 58
    halo = P.Layer((w, h))
    halo.ellipse(cx - 40, cy - 40, cx + 40, cy + 40, fill=(40, 110, 60, 120))
    P.over(img, halo.reduced().filter(ImageFilter.GaussianBlur(8)))
    pic = P.Layer((w, h))
    G.PICTOGRAMS[kind](pic, cx, cy, s, G.LIT)
    reduced = pic.reduced()
    P.over(img, P.glow(reduced.split()[3], (120, 230, 110), 3, 0.5))
    P.over(img, reduced)
    P.draw_text(img, (98, 42), caption, P.font("square-bold", 17), TEXT, anchor="lm",
                shadow=(0, 0, 0, 180))
    P.draw_text(img, (99, 62), english, P.font("square-bold", 10), ACCENT, anchor="lm")
    bar = P.Layer((w, h))
    bar.rect(99, 72, 176, 73, fill=(120, 130, 140, 120))
    P.over(img, bar)
    fnt = P.font("gothic", 9)
    for i, line in enumerate(description):
        assert P.text_box(line, fnt, (99, 84), anchor="lm")[2] <= w - 6, line
        P.draw_text(img, (99, 83 + 12 * i), line, fnt, TEXT_DIM, anchor="lm")
    P.draw_text(img, (w // 2, h - 14), "터치하면 설정 화면이 열립니다", P.font("gothic", 9),
                (120, 128, 136), anchor="mm")
    return img

#!/usr/bin/python3
"""Generates the panel's artwork: bitmaps 129..152 and icon 128.

    /usr/bin/python3 tools/artgen/artgen.py [--out DIR] [--sheet FILE.png]

Writes resources/bitmaps/<id>-<name>.bmp and resources/icons/128-app.ico
(relative to the repository) unless --out names another folder. The pieces
are cut to the positions where the program draws them (layout.py), so each
opaque copy joins what lies around it. --sheet also writes a contact sheet
of every bitmap and of the composed screens, for review."""

import argparse
import math
import os
import sys

sys.dont_write_bytecode = True  # keep the source folder clean

from PIL import Image, ImageDraw, ImageFilter

import bmpfile
import layout as L
import paint as P
import pictograms as G

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))

# Palette: dark cabin night tones, metal greys, one green accent.
BG_TOP = (26, 31, 40)
BG_MID = (14, 17, 23)
BG_BOTTOM = (6, 7, 10)
WAVE = (70, 170, 150)
ACCENT = (120, 220, 96)
ACCENT_DARK = (48, 120, 44)
TEXT = (226, 230, 234)
TEXT_DIM = (150, 156, 164)
LABEL = (204, 208, 212)
SEPARATOR = (42, 44, 48)
FRAME = (70, 74, 80)

NAMES = {
    129: "main-background", 130: "icon-sound", 131: "icon-basic", 132: "icon-advanced",
    133: "icon-touch", 134: "preview-sound", 135: "preview-basic", 136: "preview-advanced",
    137: "preview-touch", 138: "button-close", 139: "panel-sound", 140: "button-ok",
    141: "button-cancel", 142: "slider-knob", 143: "slider-fill", 144: "panel-basic",
    145: "option-mark", 146: "bar-fill", 147: "bar-knob", 148: "panel-advanced",
    149: "button-default", 150: "fm-arrow-left", 151: "fm-box", 152: "fm-arrow-right",
}
BITS32 = {138, 140, 141, 142, 143, 145, 146, 147, 149, 150, 151, 152}

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


def crop(img, rect):
    return img.crop(rect)


# ---------------------------------------------------------------- main icons

ICON_EDGE = 3  # columns and rows at the icon's edges that no lit effect reaches
HALO_BLUR = 3
CAPTION_GLOW = 1.5  # small enough to fade out in the five rows under the caption


def icon_half(bg, rect, kind, caption, lit):
    w, h = rect[2] - rect[0], rect[3] - rect[1]
    img = crop(bg, rect)
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
    img = crop(bg, (x, y, x + w, y + h))
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


# ---------------------------------------------------------------- buttons

def close_half(bg, pressed):
    img = crop(bg, L.CLOSE_RECT)
    w, h = img.size
    lay = P.Layer((w, h))
    lay.rounded(0.5, 0.5, w - 0.5, h - 0.5, 10, fill=(30, 34, 40, 230),
                outline=(110, 118, 128, 255), width=1)
    if pressed:
        lay.rounded(1.5, 1.5, w - 1.5, h - 1.5, 9, fill=(60, 24, 24, 230))
    P.over(img, lay)
    P.draw_text(img, (7, h / 2 + 0.5), "CLOSE", P.font("square-bold", 10),
                (255, 255, 255) if pressed else TEXT, anchor="lm")
    cross = P.Layer((w, h))
    cx, cy, r = w - 12, h / 2, 6.5
    cross.ellipse(cx - r, cy - r, cx + r, cy + r,
                  fill=(210, 40, 36, 255) if pressed else (70, 76, 84, 255))
    d = 2.8
    colour = (255, 255, 255, 255) if pressed else (220, 224, 228, 255)
    cross.line([(cx - d, cy - d), (cx + d, cy + d)], fill=colour, width=1.6)
    cross.line([(cx - d, cy + d), (cx + d, cy - d)], fill=colour, width=1.6)
    P.over(img, cross)
    return img


def pill_half(bg, rect, caption, glyph, pressed):
    img = crop(bg, rect)
    w, h = img.size
    face = P.gradient_fill((w, h), (78, 84, 92) if not pressed else (120, 214, 96),
                           (34, 38, 44) if not pressed else (40, 112, 40))
    mask = P.shape_mask((w, h), lambda l: l.rounded(0.5, 0.5, w - 0.5, h - 0.5, 7,
                                                    fill=(255, 255, 255, 255)))
    rim = P.Layer((w, h))
    rim.rounded(0, 0, w, h, 7.5, fill=(10, 10, 12, 255))
    P.over(img, rim)
    P.over(img, P.masked(face, mask))
    gloss = P.Layer((w, h))
    gloss.rounded(2, 1.5, w - 2, h / 2, 6, fill=(255, 255, 255, 40 if pressed else 22))
    edge = P.Layer((w, h))
    edge.rounded(0.5, 0.5, w - 0.5, h - 0.5, 7,
                 outline=(170, 255, 150, 255) if pressed else (120, 126, 134, 255), width=1)
    P.over(img, gloss)
    P.over(img, edge)
    fnt = P.font("gothic-bold", 13)
    text_w = P.text_size(caption, fnt)[0]
    total = text_w + 16
    x0 = (w - total) / 2
    icon = P.Layer((w, h))
    colour = (255, 255, 255, 255) if pressed else (190, 196, 204, 255)
    glyph(icon, x0 + 5, h / 2, colour)
    P.over(img, icon)
    P.draw_text(img, (x0 + 16, h / 2 + 0.5), caption, fnt,
                (255, 255, 255) if pressed else (176, 182, 190), anchor="lm",
                shadow=(0, 0, 0, 150))
    return img


def glyph_check(layer, cx, cy, colour):
    layer.line([(cx - 4, cy), (cx - 1, cy + 3), (cx + 4, cy - 4)], fill=colour, width=1.8)


def glyph_cross(layer, cx, cy, colour):
    layer.line([(cx - 3.5, cy - 3.5), (cx + 3.5, cy + 3.5)], fill=colour, width=1.8)
    layer.line([(cx - 3.5, cy + 3.5), (cx + 3.5, cy - 3.5)], fill=colour, width=1.8)


def glyph_reset(layer, cx, cy, colour):
    layer.arc(cx - 4.5, cy - 4.5, cx + 4.5, cy + 4.5, 300, 240 + 360, colour, width=1.6)
    layer.polygon([(cx + 1.2, cy - 7.4), (cx + 5.2, cy - 4.6), (cx + 0.8, cy - 2.0)],
                  fill=colour)


def button_strip(bg, rect, caption, glyph):
    return side_by_side(pill_half(bg, rect, caption, glyph, False),
                        pill_half(bg, rect, caption, glyph, True))


# ---------------------------------------------------------------- panels

def panel_base(bg, title, english):
    ox, oy = L.PANEL_ORIGIN
    w, h = L.PANEL_SIZE
    img = crop(bg, (ox, oy, ox + w, oy + h))
    outer = P.Layer((w, h))
    outer.rounded(0, 0, w, h, 8, fill=(4, 4, 6, 255))
    P.over(img, outer)
    # Everything inside the frame is the plain panel colour, exactly, so that
    # the program's pieces join it; only the title bar has a gradient.
    inner = P.shape_mask((w, h), lambda l: l.rounded(1, 1, w - 1, h - 1, 7,
                                                     fill=(255, 255, 255, 255)))
    img.paste(Image.new("RGB", (w, h), L.PANEL_FILL), mask=inner.point(
        lambda a: 255 if a > 250 else 0))
    P.over(img, P.masked(Image.new("RGB", (w, h), L.PANEL_FILL),
                         inner.point(lambda a: a if a <= 250 else 0)))
    title_bar = P.gradient_fill((w, 26), (44, 48, 54), (28, 30, 34))
    bar_mask = P.shape_mask((w, 26), lambda l: (l.rounded(1, 1, w - 1, 40, 7,
                                                           fill=(255, 255, 255, 255))))
    img.paste(title_bar, (0, 0), bar_mask)
    frame = P.Layer((w, h))
    frame.rounded(0.5, 0.5, w - 0.5, h - 0.5, 7.5, outline=FRAME + (255,), width=1)
    frame.rect(1, 26, w - 1, 27, fill=(12, 12, 14, 255))
    frame.rect(10, 26, 90, 27, fill=ACCENT + (255,))
    P.over(img, frame)
    P.draw_text(img, (12, 14), title, P.font("square-bold", 13), TEXT, anchor="lm",
                shadow=(0, 0, 0, 160))
    x = P.text_box(title, P.font("square-bold", 13), (12, 14), anchor="lm")[2]
    P.draw_text(img, (x + 8, 14.5), english, P.font("square", 9), TEXT_DIM, anchor="lm")
    return img


def local(x, y):
    return x - L.PANEL_ORIGIN[0], y - L.PANEL_ORIGIN[1]


def separator(img, y, x0=14, x1=443):
    ImageDraw.Draw(img).line([(x0, y), (x1, y)], fill=SEPARATOR)


def row_label(img, text, y_screen):
    lx, ly = local(24, y_screen)
    P.draw_text(img, (lx, ly), text, P.font("gothic-bold", 12), LABEL, anchor="lm")
    bullet = P.Layer(img.size)
    bullet.rect(lx - 7, ly - 2, lx - 4, ly + 1, fill=ACCENT + (255,))
    P.over(img, bullet)
    assert P.text_box(text, P.font("gothic-bold", 12), (lx, ly), anchor="lm")[2] \
        <= local(L.LABEL_COLUMN_RIGHT, 0)[0], text


def empty_mark(img, pos_screen):
    # Drawn in a layer of the mark's own size, so that nothing reaches
    # outside the square that mark 145 covers.
    mark = P.Layer(L.MARK_SIZE)
    cx, cy = 7.5, 7
    mark.ellipse(cx - 6.5, cy - 6.5, cx + 6.5, cy + 6.5, fill=(12, 12, 12, 255),
                 outline=(120, 124, 130, 255), width=1.3)
    P.over(img, mark.reduced(), local(*pos_screen))


def option_label(img, text, mark_screen, hit):
    """The option's text right of its mark, in the largest size (12 down to
    10 pixels) that keeps mark and text inside the option's touch area."""
    x, y = local(mark_screen[0] + 16, mark_screen[1] + 7)
    hx0, hy0 = local(hit[0], hit[1])
    hx1, hy1 = local(hit[2], hit[3])
    for px in (12, 11, 10):
        fnt = P.font("gothic", px)
        box = P.text_box(text, fnt, (x, y), anchor="lm")
        if box[2] <= hx1 + 1:
            break
    assert box[0] >= hx0 and box[2] <= hx1 + 1 and box[1] >= hy0 - 1 and box[3] <= hy1 + 1, \
        (text, box, (hx0, hy0, hx1, hy1))
    P.draw_text(img, (x, y), text, fnt, LABEL, anchor="lm")


def options(img, marks, hits, texts):
    for mark, hit, text in zip(marks, hits, texts):
        empty_mark(img, mark)
        option_label(img, text, mark, hit)


def sound_panel(bg):
    img = panel_base(bg, "음량 설정", "VOLUME")
    draw = ImageDraw.Draw(img)
    # A large faint speaker at the left.
    art = P.Layer(img.size)
    G.speaker(art, 48, 88, 70, G.Colours((60, 64, 70, 255), (44, 48, 54, 255),
                                          (46, 84, 48, 255), (30, 30, 30, 255)))
    P.over(img, art)
    captions = (("내비게이션", "MOVIE / MUSIC"), ("DMB",), ("AV-IN",))
    for col, caption in zip(L.SLIDER_COLUMNS, captions):
        x, y = local(col, L.SLIDER_TOP)
        gx = x + L.GROOVE_X
        # Track: darker channel with lighter lips on either side.
        draw.rectangle([gx - 2, y - 1, gx + 5, y + L.SLIDER_HEIGHT], fill=(34, 34, 36))
        draw.rectangle([gx - 1, y - 1, gx - 1, y + L.SLIDER_HEIGHT], fill=(70, 72, 76))
        draw.rectangle([gx + 4, y - 1, gx + 4, y + L.SLIDER_HEIGHT], fill=(96, 98, 102))
        draw.rectangle([gx, y, gx + 3, y + L.SLIDER_HEIGHT - 1], fill=L.GROOVE)
        # Scale: a mark beside the track at each step's knob centre, long at
        # the ends and the middle; steps 9 and 10 share the top one.
        for step, knob_y in enumerate(L.VOLUME_KNOB_Y):
            ty = local(0, L.knob_centre(knob_y))[1]
            long_tick = step in (0, 5, 10)
            draw.line([(x + 20, ty), (x + (27 if long_tick else 24), ty)],
                      fill=(120, 124, 130) if long_tick else (78, 80, 84))
        cx = gx + 2
        sign = P.Layer(img.size)
        sx = x + 34
        top_y = local(0, L.knob_centre(L.VOLUME_KNOB_Y[-1]))[1]
        bottom_y = local(0, L.knob_centre(L.VOLUME_KNOB_Y[0]))[1]
        sign.rect(sx - 3, top_y - 0.5, sx + 3, top_y + 0.5, fill=ACCENT + (255,))
        sign.rect(sx - 0.5, top_y - 3, sx + 0.5, top_y + 3, fill=ACCENT + (255,))
        sign.rect(sx - 3, bottom_y - 0.5, sx + 3, bottom_y + 0.5, fill=TEXT_DIM + (255,))
        P.over(img, sign)
        fnt = P.font("gothic-bold", 10)
        if len(caption) == 2:
            P.draw_text(img, (cx, y + 89), caption[0], fnt, LABEL, anchor="mm")
            P.draw_text(img, (cx, y + 101), caption[1], P.font("square-bold", 9), TEXT_DIM,
                        anchor="mm")
        else:
            P.draw_text(img, (cx, y + 92), caption[0], P.font("square-bold", 10), LABEL,
                        anchor="mm")
    return img


def sun(layer, cx, cy, r, colour, rays=True):
    layer.ellipse(cx - r, cy - r, cx + r, cy + r, fill=colour)
    if rays:
        for i in range(8):
            a = i * math.pi / 4
            layer.line([(cx + math.cos(a) * (r + 1.5), cy + math.sin(a) * (r + 1.5)),
                        (cx + math.cos(a) * (r + 3.5), cy + math.sin(a) * (r + 3.5))],
                       fill=colour, width=1.1)


def contrast_disc(layer, cx, cy, r, colour):
    layer.ellipse(cx - r, cy - r, cx + r, cy + r, outline=colour, width=1.2)
    layer.polygon([(cx, cy - r), (cx, cy + r)] + [
        (cx + r * math.cos(a), cy + r * math.sin(a))
        for a in [math.pi / 2 - i * math.pi / 12 for i in range(13)]], fill=colour)


def basic_panel(bg):
    img = panel_base(bg, "기본 설정", "BASIC")
    row_label(img, "자동 실행", 82)
    row_label(img, "자동 전원", 110)
    row_label(img, "화면 밝기", 138)
    row_label(img, "화면 명암", 165)
    options(img, L.BASIC_MARKS, L.BASIC_HITS,
            ["사용 안 함", "내비게이션", "DMB", "사용 안 함", "사용"])
    for y in (96, 124, 151):
        separator(img, local(0, y)[1])
    draw = ImageDraw.Draw(img)
    for top in L.BAR_LINES:
        x0, y0 = local(L.BAR_X[0], top)
        x1, _ = local(L.BAR_X[1], top)
        draw.rectangle([x0, y0, x1, y0 + 2], fill=L.BAR_LINE)
    icons = P.Layer(img.size)
    sx, sy = local(441, 138)
    sun(icons, sx, sy, 3.2, (210, 214, 220, 255))
    cx, cy = local(441, 165)
    contrast_disc(icons, cx, cy, 5, (210, 214, 220, 255))
    P.over(img, icons)
    return img


def advanced_panel(bg):
    img = panel_base(bg, "고급 설정", "ADVANCED")
    row_label(img, "PIP 모드 음성 안내", 93)
    row_label(img, "후방 카메라", 121)
    row_label(img, "버전 정보", 147)
    options(img, L.ADVAN_MARKS, L.ADVAN_HITS,
            ["내비게이션", "내비게이션+DMB 또는 MUSIC", "사용 안 함", "사용"])
    for y in (107, 136):
        separator(img, local(0, y)[1])
    return img


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


# ---------------------------------------------------------------- output

def build():
    bg = main_background()
    out = {129: bg}
    for bid in L.ICON_RECTS:
        out[bid] = icon_strip(bg, bid)
        out[bid + 4] = preview(bg, bid)
    out[138] = side_by_side(close_half(bg, False), close_half(bg, True))
    out[139] = sound_panel(bg)
    out[140] = button_strip(bg, L.OK_RECT, "확인", glyph_check)
    out[141] = button_strip(bg, L.CANCEL_RECT, "취소", glyph_cross)
    out[142] = slider_knob(out[139])
    out[143] = slider_fill()
    out[144] = basic_panel(bg)
    out[145] = option_mark()
    out[146] = bar_fill()
    out[147] = bar_knob()
    out[148] = advanced_panel(bg)
    out[149] = button_strip(bg, L.DEFAULT_RECT, "초기화", glyph_reset)
    out[150] = fm_arrow(True)
    out[151] = fm_box()
    out[152] = fm_arrow(False)
    return out


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(REPO, "resources"))
    parser.add_argument("--sheet", help="also write a contact sheet PNG here")
    args = parser.parse_args(argv)
    images = build()
    bitmaps = os.path.join(args.out, "bitmaps")
    icons = os.path.join(args.out, "icons")
    os.makedirs(bitmaps, exist_ok=True)
    os.makedirs(icons, exist_ok=True)
    for bid, img in sorted(images.items()):
        bmpfile.write_bmp(img, os.path.join(bitmaps, f"{bid}-{NAMES[bid]}.bmp"),
                          32 if bid in BITS32 else 24)
    bmpfile.write_ico(app_icon(), os.path.join(icons, "128-app.ico"))
    if args.sheet:
        import contact_sheet
        contact_sheet.write(images, app_icon(), args.sheet)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

"""The close box, the buttons, and the three settings pages' backgrounds with
their rows, labels and option marks."""

import math

from PIL import Image, ImageDraw

import layout as L
import paint as P
import pictograms as G
from menu import side_by_side
from palette import *


# ---------------------------------------------------------------- buttons

def close_half(bg, pressed):
    img = bg.crop(L.CLOSE_RECT)
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
    img = bg.crop(rect)
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
    img = bg.crop((ox, oy, ox + w, oy + h))
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

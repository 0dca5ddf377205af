"""A review sheet: the four screens composed as the program composes them,
and every bitmap on its own, each shown at twice its size."""

from PIL import Image, ImageDraw

import layout as L
import paint as P


def _half(strip, pressed):
    w = strip.width // 2
    return strip.crop((w if pressed else 0, 0, (w if pressed else 0) + w, strip.height))


def _button(screen, images, bid, rect, pressed=False):
    screen.paste(_half(images[bid], pressed), rect[:2])


def _panel_at(screen, piece, pos, size=None):
    if size is not None:
        piece = piece.crop((0, 0) + size)
    screen.paste(piece, pos)


def compose(images, page, sel=0):
    screen = images[129].copy()
    if page == "main":
        for i, bid in enumerate(sorted(L.ICON_RECTS)):
            _button(screen, images, bid, L.ICON_RECTS[bid], pressed=(i == sel))
        screen.paste(images[134 + sel], L.PREVIEW_ORIGIN)
    else:
        panel = {"sound": 139, "basic": 144, "advanced": 148}[page]
        screen.paste(images[panel], L.PANEL_ORIGIN)
        _button(screen, images, 140, L.OK_RECT)
    if page == "sound":
        for col, y in zip(L.SLIDER_COLUMNS, (120, 90, 152)):
            t = max(0, min(62, y - 90))
            fill = images[143].crop((0, 0, 4, max(1, 80 - t - 2)))
            screen.paste(fill, (col + 7, 80 + t + 2))
            screen.paste(images[142].crop((0, 0, 18, min(19, 80 - t))), (col, 80 + t))
    if page == "basic":
        screen.paste(images[145], L.BASIC_MARKS[1])
        screen.paste(images[145], L.BASIC_MARKS[4])
        for top, x in ((129, 405), (156, 295)):
            e = x - 156
            if e > 0:
                screen.paste(images[146].crop((0, 0, e, 3)), (156, top + 8))
            screen.paste(images[147], (156 + e, top))
    if page == "advanced":
        screen.paste(images[145], L.ADVAN_MARKS[0])
        screen.paste(images[145], L.ADVAN_MARKS[3])
        _button(screen, images, 149, L.DEFAULT_RECT)
        P.draw_text(screen, (158, 147), "QX-9  V1.20  (2008.4.19)", P.font("gothic-bold", 13),
                    (255, 255, 255), anchor="lm")
        x, y = 323, 141
        for dx, bid in ((0, 150), (19, 150), (97, 152), (114, 152)):
            screen.paste(images[bid], (x + dx, y + 2))
        screen.paste(images[151], (x + 36, y))
        P.draw_text(screen, (386, 150), "87.5", P.font("gothic-bold", 11), (255, 255, 255),
                    anchor="mm")
    _button(screen, images, 138, L.CLOSE_RECT, pressed=(page == "main" and sel == 3))
    return screen


def write(images, icon, path):
    screens = [compose(images, "main", 0), compose(images, "main", 2),
               compose(images, "sound"), compose(images, "basic"), compose(images, "advanced")]
    scale = 2
    sw, sh = L.SCREEN[0] * scale, L.SCREEN[1] * scale
    pad = 12
    pieces = [(bid, img) for bid, img in sorted(images.items()) if bid != 129]
    cols = 2
    rows = (len(screens) + cols - 1) // cols
    width = cols * (sw + pad) + pad
    piece_rows = []
    row, row_w = [], pad
    for bid, img in pieces:
        w = img.width * scale + pad
        if row_w + w > width and row:
            piece_rows.append(row)
            row, row_w = [], pad
        row.append((bid, img))
        row_w += w
    piece_rows.append(row)
    piece_h = sum(max(i.height for _, i in r) * scale + 22 for r in piece_rows)
    height = rows * (sh + pad) + pad + piece_h + 80
    sheet = Image.new("RGB", (width, height), (60, 60, 64))
    draw = ImageDraw.Draw(sheet)
    for i, s in enumerate(screens):
        x = pad + (i % cols) * (sw + pad)
        y = pad + (i // cols) * (sh + pad)
        sheet.paste(s.resize((sw, sh), Image.NEAREST), (x, y))
    y = pad + rows * (sh + pad)
    for r in piece_rows:
        x = pad
        for bid, img in r:
            draw.text((x, y), str(bid), fill=(255, 255, 0))
            sheet.paste(img.resize((img.width * scale, img.height * scale), Image.NEAREST),
                        (x, y + 12))
            x += img.width * scale + pad
        y += max(i.height for _, i in r) * scale + 22
    sheet.paste(icon.resize((64, 64)), (pad, y), icon.resize((64, 64)))
    small = icon.resize((16, 16), Image.LANCZOS)
    sheet.paste(small, (pad + 80, y), small)
    sheet.save(path)

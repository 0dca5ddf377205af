#!/usr/bin/python3
"""Generates the panel's artwork: bitmaps 129..152 and icon 128.

    /usr/bin/python3 tools/artgen/artgen.py [--out DIR] [--sheet FILE.png]

Writes resources/bitmaps/<id>-<name>.bmp and resources/icons/128-app.ico
(relative to the repository) unless --out names another folder. The pieces
are cut to the positions where the program draws them (layout.py), so each
opaque copy joins what lies around it. --sheet also writes a contact sheet
of every bitmap and of the composed screens, for review."""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # keep the source folder clean

import bmpfile
import layout as L
from menu import *
from panels import *
from pieces import *

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))

NAMES = {
    129: "main-background", 130: "icon-sound", 131: "icon-basic", 132: "icon-advanced",
    133: "icon-touch", 134: "preview-sound", 135: "preview-basic", 136: "preview-advanced",
    137: "preview-touch", 138: "button-close", 139: "panel-sound", 140: "button-ok",
    141: "button-cancel", 142: "slider-knob", 143: "slider-fill", 144: "panel-basic",
    145: "option-mark", 146: "bar-fill", 147: "bar-knob", 148: "panel-advanced",
    149: "button-default", 150: "fm-arrow-left", 151: "fm-box", 152: "fm-arrow-right",
}
BITS32 = {138, 140, 141, 142, 143, 145, 146, 147, 149, 150, 151, 152}


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

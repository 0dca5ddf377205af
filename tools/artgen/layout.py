"""Where the program draws each piece on the 480 x 234 screen, read from the
program's own table (ui/ScreenLayout.h) and volume steps
(devices/VolumeTable.h). The artwork is cut to these positions so that every
opaque copy joins its surroundings."""

import ast
import os
import re

_REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def _source(relative):
    with open(os.path.join(_REPO, relative), encoding="utf-8") as f:
        return re.sub(r"//[^\n]*", "", f.read())


def _table(relative):
    """Every `constexpr TYPE kName[] = VALUE;` of a header, braces as tuples."""
    values = {}
    for m in re.finditer(r"constexpr\s+\w+\s+(k\w+)(?:\[\])?\s*=\s*([^;]+);", _source(relative)):
        text = m.group(2).replace("{", "(").replace("}", ")")
        values[m.group(1)] = ast.literal_eval(text)
    return values


_T = _table("ui/ScreenLayout.h")


def _offset(origin, points):
    return [(origin[0] + x, origin[1] + y) for x, y in points]


SCREEN = (_T["kScreenWidth"], _T["kScreenHeight"])
PANEL_ORIGIN = _T["kPanelOrigin"]
PANEL_SIZE = _T["kPanelSize"]

_BUTTONS = _T["kButtonRects"]  # (left, top, right, bottom)
ICON_RECTS = {130 + i: _BUTTONS[i] for i in range(4)}
CLOSE_RECT, OK_RECT, CANCEL_RECT, DEFAULT_RECT = _BUTTONS[4:8]
_PREVIEW = _T["kPreviewRect"]
PREVIEW_ORIGIN = _PREVIEW[:2]
PREVIEW_SIZE = (_PREVIEW[2] - _PREVIEW[0], _PREVIEW[3] - _PREVIEW[1])

PANEL_FILL = (24, 24, 24)
GROOVE = (17, 17, 17)
BAR_LINE = (84, 84, 84)

# Sound page: slider columns (screen x), 30 wide, rows 80..159.
SLIDER_COLUMNS = _T["kSliderColumnX"]
SLIDER_TOP = _T["kSliderTop"]
SLIDER_HEIGHT = _T["kSliderHeight"]
GROOVE_X = _T["kSliderGrooveX"]  # groove inside the column, 4 wide
# Knob y of each volume step, 0 to 10. The knob's top lies at y - 90 inside
# the column, kept within 0..62, so steps 9 and 10 both put it at the top.
VOLUME_KNOB_Y = tuple(
    int(y) for y in re.findall(r"\{(\d+), 0x[0-9A-Fa-f]+\}", _source("devices/VolumeTable.h")))
KNOB_OFFSET = _T["kKnobCentreOffset"]
KNOB_TOP_MAX = _T["kKnobTopMax"]
KNOB_HEIGHT = _T["kSliderKnobSize"][1]


def knob_centre(knob_y):
    """Screen row of the slider knob's centre for a knob y."""
    return SLIDER_TOP + min(max(knob_y - KNOB_OFFSET, 0), KNOB_TOP_MAX) + KNOB_HEIGHT // 2


_OPTIONS = _T["kOptionRects"]

# Basic page.
BASIC_MARKS = _offset(_T["kOptionsOrigin"], _T["kBasicMarks"])
BASIC_HITS = list(_OPTIONS[0:5])
_BAR_X, (_BAR_W, _BAR_H) = _T["kBarX"], _T["kBarSize"]
BAR_X = (_BAR_X, _BAR_X + _BAR_W - 1)
_ROWS = (_T["kBrightRowTop"], _T["kContrastRowTop"])
BAR_LINES = tuple(top + _T["kBarLineY"] for top in _ROWS)  # top row of each 3-pixel line
BAR_STRIPS = tuple((_BAR_X, top, _BAR_X + _BAR_W, top + _BAR_H) for top in _ROWS)

# Advanced page.
ADVAN_MARKS = _offset(_T["kOptionsOrigin"], _T["kAdvanMarks"])
ADVAN_HITS = list(_OPTIONS[5:9])
VERSION_RECT = _T["kVersionRect"]
FM_STRIP = _T["kFmRect"]
MARK_SIZE = _T["kMarkSize"]
LABEL_COLUMN_RIGHT = 150  # row labels end left of this x

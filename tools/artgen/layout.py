"""Where the program draws each piece on the 480 x 234 screen. The artwork is
cut to these positions so that every opaque copy joins its surroundings."""

SCREEN = (480, 234)
PANEL_ORIGIN = (11, 32)
PANEL_SIZE = (457, 160)

ICON_RECTS = {  # id: (left, top, right, bottom)
    130: (8, 127, 81, 224),
    131: (81, 100, 139, 190),
    132: (139, 62, 199, 145),
    133: (199, 15, 262, 111),
}
PREVIEW_ORIGIN = (216, 111)
PREVIEW_SIZE = (189, 123)
CLOSE_RECT = (405, 8, 466, 30)
OK_RECT = (11, 197, 90, 228)
CANCEL_RECT = (98, 197, 177, 228)
DEFAULT_RECT = (389, 197, 468, 228)

PANEL_FILL = (24, 24, 24)
GROOVE = (17, 17, 17)
BAR_LINE = (84, 84, 84)

# Sound page: slider columns (screen x), 30 wide, rows 80..159.
SLIDER_COLUMNS = (106, 213, 320)
SLIDER_TOP = 80
SLIDER_HEIGHT = 80
GROOVE_X = 7  # groove inside the column, 4 wide
# Knob y of each volume step, 0 to 10, as the program's volume table has it.
# The 18 x 19 knob's top lies at y - 90 inside the column, kept within 0..62,
# so steps 9 and 10 both put it at the top.
VOLUME_KNOB_Y = (152, 144, 136, 129, 122, 115, 108, 102, 94, 87, 80)
KNOB_OFFSET = 90
KNOB_TOP_MAX = 62
KNOB_HEIGHT = 19


def knob_centre(knob_y):
    """Screen row of the slider knob's centre for a knob y."""
    return SLIDER_TOP + min(max(knob_y - KNOB_OFFSET, 0), KNOB_TOP_MAX) + KNOB_HEIGHT // 2

# Basic page.
BASIC_MARKS = [(155, 75), (246, 75), (348, 75), (155, 103), (246, 103)]
BASIC_HITS = [(156, 75, 225, 90), (246, 75, 327, 90), (349, 75, 415, 90),
              (156, 103, 225, 118), (246, 103, 300, 118)]
BAR_X = (156, 423)
BAR_LINES = (137, 164)  # top row of each 3-pixel line
BAR_STRIPS = ((156, 129, 424, 148), (156, 156, 424, 175))

# Advanced page.
ADVAN_MARKS = [(155, 86), (246, 86), (155, 114), (232, 114)]
ADVAN_HITS = [(154, 83, 242, 102), (250, 83, 435, 102), (156, 113, 220, 131),
              (232, 113, 290, 131)]
VERSION_RECT = (158, 141, 361, 153)
FM_STRIP = (323, 141, 448, 159)
MARK_SIZE = (15, 14)
LABEL_COLUMN_RIGHT = 150  # row labels end left of this x

"""The artwork's palette: dark cabin night tones, metal greys, one green accent."""

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

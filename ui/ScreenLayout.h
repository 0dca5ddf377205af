// Where everything lies on the 480 x 234 screen: the buttons, the preview,
// the page panel, the option touch areas, the sliders, the bars, the version
// label and the FM panel. The pen controller, the drawing code and the
// artwork generator (tools/artgen/layout.py parses this file) read it from
// here, so a piece and its touch area can never drift apart.
//
// Keep every value a plain number: the artwork generator reads them as
// written.
#pragma once

#include "platform/WinDef.h"

namespace layout {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 234;

// Every page panel lies at the same place over the main background.
constexpr POINT kPanelOrigin = {11, 32};
constexpr SIZE kPanelSize = {457, 160};

// Buttons 0..7: the four main-menu icons (sound, basic, advanced, touch),
// close, OK, Cancel and Default.
constexpr RECT kButtonRects[] = {
    {8, 127, 81, 224}, {81, 100, 139, 190}, {139, 62, 199, 145}, {199, 15, 262, 111},
    {405, 8, 466, 30}, {11, 197, 90, 228},  {98, 197, 177, 228}, {389, 197, 468, 228},
};

// The main menu's preview of the selected category; a tap anywhere on it,
// its right and bottom edges included, opens that page.
constexpr RECT kPreviewRect = {216, 111, 405, 234};

// Option touch areas: basic page 0..4, advanced page 5..10.
constexpr RECT kOptionRects[] = {
    {156, 75, 225, 90},   {246, 75, 327, 90},   {349, 75, 415, 90},   {156, 103, 225, 118},
    {246, 103, 300, 118}, {154, 83, 242, 102},  {250, 83, 435, 102},  {156, 113, 220, 131},
    {232, 113, 290, 131}, {156, 144, 220, 159}, {232, 144, 290, 159},
};
// The option marks' blocks, redrawn whole when a mark changes: marks are
// placed from this corner.
constexpr POINT kOptionsOrigin = {155, 75};
constexpr SIZE kBasicOptionsSize = {275, 45};
constexpr SIZE kAdvanOptionsSize = {300, 60};
constexpr SIZE kMarkSize = {15, 14};
// Mark offsets from that corner. Basic page: the start-up application's
// three marks, then automatic power-on off and on. Advanced page: voice
// guidance on and off, then the rear camera off and on.
constexpr POINT kBasicMarks[] = {{0, 0}, {91, 0}, {193, 0}, {0, 28}, {91, 28}};
constexpr POINT kAdvanMarks[] = {{0, 11}, {91, 11}, {0, 39}, {77, 39}};

// Volume sliders: one 30 x 80 column per slider; the pen takes the left 20
// pixels of a column, bounds included.
constexpr int kSliderColumnX[] = {106, 213, 320};
constexpr int kSliderTop = 80;
constexpr int kSliderWidth = 30;
constexpr int kSliderHeight = 80;
constexpr int kSliderTouchWidth = 20;
// The groove lies this far into the column; its fill starts this far below
// the knob's top and runs down to the column's bottom edge.
constexpr int kSliderGrooveX = 7;
constexpr int kSliderFillGap = 2;
constexpr int kSliderFillWidth = 4;
// Knob y is the knob's centre near the pen; its top sits this far above it,
// and never lower than this inside the column.
constexpr int kKnobCentreOffset = 90;
constexpr int kKnobTopMax = 62;
constexpr SIZE kSliderKnobSize = {18, 19};

// Brightness and contrast bars: their strips, and the x range a pen down
// takes on either row.
constexpr int kBarX = 156;
constexpr SIZE kBarSize = {268, 19};
constexpr int kBrightRowTop = 129;
constexpr int kBrightRowBottom = 148;
constexpr int kContrastRowTop = 156;
constexpr int kContrastRowBottom = 174;
constexpr int kBarTouchRight = 426;
// The bar's line lies this far down its strip.
constexpr int kBarLineY = 8;
constexpr int kBarLineHeight = 3;
constexpr SIZE kBarKnobSize = {19, 19};

constexpr RECT kVersionRect = {158, 141, 361, 153};
constexpr RECT kFmRect = {323, 141, 448, 159};
// The FM panel's pieces, placed from its corner.
constexpr SIZE kFmArrowSize = {12, 14};
constexpr SIZE kFmBoxSize = {54, 18};
constexpr POINT kFmLeftArrows[] = {{0, 2}, {19, 2}};
constexpr POINT kFmBox = {36, 0};
constexpr POINT kFmRightArrows[] = {{97, 2}, {114, 2}};
// The frequency's text, taller than the box so that it centres on the box's
// middle.
constexpr RECT kFmTextRect = {359, 118, 413, 180};

}  // namespace layout

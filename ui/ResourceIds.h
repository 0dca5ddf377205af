// Ids of the bitmap resources the screens are drawn from.
#pragma once

#include "platform/WinDef.h"

constexpr UINT IDB_MAIN_BG = 129;        // 480 x 234, whole screen
constexpr UINT IDB_ICON_SOUND = 130;     // strip 2 x 73 x 97
constexpr UINT IDB_ICON_BASIC = 131;     // strip 2 x 58 x 90
constexpr UINT IDB_ICON_ADVAN = 132;     // strip 2 x 60 x 83
constexpr UINT IDB_ICON_TOUCH = 133;     // strip 2 x 63 x 96
constexpr UINT IDB_PREVIEW_SOUND = 134;  // 189 x 123
constexpr UINT IDB_PREVIEW_BASIC = 135;
constexpr UINT IDB_PREVIEW_ADVAN = 136;
constexpr UINT IDB_PREVIEW_TOUCH = 137;
constexpr UINT IDB_BTN_CLOSE = 138;       // strip 2 x 61 x 22
constexpr UINT IDB_PANEL_SOUND = 139;     // 457 x 160
constexpr UINT IDB_BTN_OK = 140;          // strip 2 x 79 x 31
constexpr UINT IDB_BTN_CANCEL = 141;      // strip 2 x 79 x 31
constexpr UINT IDB_SLIDER_KNOB = 142;     // 18 x 19
constexpr UINT IDB_SLIDER_FILL = 143;     // 4 x 79
constexpr UINT IDB_PANEL_BASIC = 144;     // 457 x 160
constexpr UINT IDB_OPTION_MARK = 145;     // 15 x 14
constexpr UINT IDB_BAR_FILL = 146;        // 268 x 3
constexpr UINT IDB_BAR_KNOB = 147;        // 19 x 19
constexpr UINT IDB_PANEL_ADVAN = 148;     // 457 x 160
constexpr UINT IDB_BTN_DEFAULT = 149;     // strip 2 x 79 x 31
constexpr UINT IDB_FM_ARROW_LEFT = 150;   // 12 x 14
constexpr UINT IDB_FM_BOX = 151;          // 54 x 18
constexpr UINT IDB_FM_ARROW_RIGHT = 152;  // 12 x 14

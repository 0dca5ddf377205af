// Ids of the bitmap resources the screens are drawn from, and their loader.
// A strip holds a
// button's normal look and, to its right, its pressed look. Sizes in pixels:
//   main background 480 x 234 (the whole screen); page panels 457 x 160;
//   previews 189 x 123; icon strips of two 73 x 97 (sound), 58 x 90 (basic),
//   60 x 83 (advanced) and 63 x 96 (touch); button strips of two 61 x 22
//   (close) and 79 x 31 (OK, Cancel, Default); slider knob 18 x 19 and fill
//   4 x 79; bar fill 268 x 3 and knob 19 x 19; option mark 15 x 14; FM arrows
//   12 x 14 and box 54 x 18.
#pragma once

#include "platform/WinGdi.h"
#include "platform/afx/CWinApp.h"

constexpr UINT IDB_MAIN_BG = 129;
constexpr UINT IDB_ICON_SOUND = 130;
constexpr UINT IDB_ICON_BASIC = 131;
constexpr UINT IDB_ICON_ADVAN = 132;
constexpr UINT IDB_ICON_TOUCH = 133;
constexpr UINT IDB_PREVIEW_SOUND = 134;
constexpr UINT IDB_PREVIEW_BASIC = 135;
constexpr UINT IDB_PREVIEW_ADVAN = 136;
constexpr UINT IDB_PREVIEW_TOUCH = 137;
constexpr UINT IDB_BTN_CLOSE = 138;
constexpr UINT IDB_PANEL_SOUND = 139;
constexpr UINT IDB_BTN_OK = 140;
constexpr UINT IDB_BTN_CANCEL = 141;
constexpr UINT IDB_SLIDER_KNOB = 142;
constexpr UINT IDB_SLIDER_FILL = 143;
constexpr UINT IDB_PANEL_BASIC = 144;
constexpr UINT IDB_OPTION_MARK = 145;
constexpr UINT IDB_BAR_FILL = 146;
constexpr UINT IDB_BAR_KNOB = 147;
constexpr UINT IDB_PANEL_ADVAN = 148;
constexpr UINT IDB_BTN_DEFAULT = 149;
constexpr UINT IDB_FM_ARROW_LEFT = 150;
constexpr UINT IDB_FM_BOX = 151;
constexpr UINT IDB_FM_ARROW_RIGHT = 152;

// The caller owns the bitmap; nullptr when the id names no bitmap.
inline HBITMAP LoadResourceBitmap(UINT nBitmapId) {
    return ::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nBitmapId));
}

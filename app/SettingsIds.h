// Page ids, button indices, sentinels and the timer id; the launcher's
// messages come with them.
#pragma once

#include "devices/LauncherProtocol.h"
#include "platform/WinDef.h"

constexpr SHORT PAGE_SOUND = 0;
constexpr SHORT PAGE_BASIC = 1;
constexpr SHORT PAGE_ADVAN = 2;
constexpr SHORT PAGE_TOUCH = 3;
constexpr SHORT PAGE_MAIN = 4;

// Indices of the image buttons, in the order of layout::kButtonRects: the
// four main-menu icons (sound, basic, advanced, touch), close, OK, Cancel and
// Default.
constexpr int BTN_ICON_SOUND = 0;
constexpr int BTN_ICON_TOUCH = 3;
constexpr int BTN_CLOSE = 4;
constexpr int BTN_OK = 5;
constexpr int BTN_DEFAULT = 7;

constexpr int BTN_NONE = 1010;
constexpr int DRAG_NONE = 1011;
constexpr int BAR_BRIGHT = 1111;
constexpr int BAR_CONTRAST = 1112;

constexpr UINT_PTR IDT_FM_REPEAT = 32769;

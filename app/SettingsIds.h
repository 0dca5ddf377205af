// Page ids, sentinels, timer id and the messages exchanged with the launcher.
#pragma once

#include "platform/WinDef.h"

constexpr SHORT PAGE_SOUND = 0;
constexpr SHORT PAGE_BASIC = 1;
constexpr SHORT PAGE_ADVAN = 2;
constexpr SHORT PAGE_TOUCH = 3;
constexpr SHORT PAGE_MAIN = 4;

constexpr int BTN_NONE = 1010;
constexpr int DRAG_NONE = 1011;
constexpr int BAR_BRIGHT = 1111;
constexpr int BAR_CONTRAST = 1112;

constexpr UINT_PTR IDT_FM_REPEAT = 32769;

constexpr UINT UM_CLOSE_SETTINGS = 0x0857;
constexpr UINT UM_TOUCH_CAL = 0x085A;
constexpr UINT UM_SETTINGS_PAGE = 0x11B0;

// The window titles by which the programs of the unit find each other.
inline constexpr const wchar_t* kSettingsTitle = L"Dialvane";
inline constexpr const wchar_t* kLauncherTitle = L"Launcher_Tulvo";

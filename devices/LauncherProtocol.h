// The conversation between the panel and the launcher: the window titles by
// which the programs of the unit find each other and the messages they
// exchange. The panel and dialvane-ctl both read them from here.
#pragma once

#include "platform/WinDef.h"

constexpr UINT UM_CLOSE_SETTINGS = 0x0857;
constexpr UINT UM_TOUCH_CAL = 0x085A;
constexpr UINT UM_SETTINGS_PAGE = 0x11B0;

inline constexpr const wchar_t* kSettingsTitle = L"Dialvane";
inline constexpr const wchar_t* kLauncherTitle = L"Launcher_Tulvo";

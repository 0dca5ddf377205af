// The link to the launcher program: its window, found once by title, and
// the notices sent to it. It also carries the settings file operations and
// the touch calibration export, which use none of its launcher state.
#pragma once

#include "platform/WinUser.h"
#include "settings/IniInfo.h"

constexpr int CALIBRATION_UNITS = 100;

class CLauncherLink {
public:
    CLauncherLink();
    virtual ~CLauncherLink();

    void NotifySettingsPage(int nPage);
    LRESULT NotifyTouchCal(int nFlag);

    int IniWriteString(const INIINFO* pIniInfo, LPCWSTR lpszPath);
    int IniReadString(INIINFO* pIniInfo, LPCWSTR lpszPath);
    int IniSetDefault(INIINFO* pIniInfo);

    int ReadCalibrationData();
    int SaveTouchCal();

    HWND hLauncherWnd;
    WCHAR szCalibrationData[CALIBRATION_UNITS];
};

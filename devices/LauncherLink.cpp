#include "devices/LauncherLink.h"

#include <cstring>

#include "devices/LauncherProtocol.h"

CLauncherLink::CLauncherLink() : hLauncherWnd(nullptr), szCalibrationData{} {
    // Looked up once: a launcher started later is not noticed during this run.
    hLauncherWnd = FindWindowW(nullptr, kLauncherTitle);
}

CLauncherLink::~CLauncherLink() = default;

void CLauncherLink::NotifySettingsPage(int nPage) {
    if (hLauncherWnd != nullptr) {
        SendMessageW(hLauncherWnd, UM_SETTINGS_PAGE, static_cast<WPARAM>(nPage), 0);
    }
}

LRESULT CLauncherLink::NotifyTouchCal(int nFlag) {
    if (hLauncherWnd == nullptr) {
        return 0;
    }
    return SendMessageW(hLauncherWnd, UM_TOUCH_CAL, static_cast<WPARAM>(nFlag), 0);
}

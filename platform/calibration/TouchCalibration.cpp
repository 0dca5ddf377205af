#include "platform/calibration/TouchCalibration.h"

#include <memory>
#include <mutex>
#include <string>

#include "platform/WinBase.h"
#include "platform/WinGdi.h"
#include "platform/WinReg.h"
#include "platform/WinUser.h"
#include "platform/calibration/CalibrationScreen.h"
#include "platform/window/PenInput.h"

namespace dv {
namespace {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 234;
constexpr int kRawMax = 4095;
constexpr LPCWSTR kTouchKey = L"HARDWARE\\DEVICEMAP\\TOUCH";
constexpr LPCWSTR kCalibrationValue = L"CalibrationData";

// Centre first, then the corners, inset so that a finger can reach them.
constexpr POINT kTargets[5] = {{240, 117}, {432, 202}, {432, 32}, {48, 32}, {48, 202}};

std::mutex g_routineLock;
CalibrationRoutine g_routine;

bool StoreCalibration(const std::wstring& text) {
    std::u16string units(text.begin(), text.end());
    units.push_back(u'\0');
    HKEY hKey = nullptr;
    DWORD dwDisposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTouchKey, 0, nullptr, 0, 0, nullptr, &hKey,
                        &dwDisposition) != ERROR_SUCCESS) {
        return false;
    }
    LONG result = RegSetValueExW(hKey, kCalibrationValue, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(units.data()),
                                 static_cast<DWORD>(units.size() * sizeof(char16_t)));
    RegCloseKey(hKey);
    return result == ERROR_SUCCESS;
}

// Runs the screen: one tap per target, in order. Returns false when the
// user cancelled or the program is quitting.
bool RunCalibrationScreen(POINT (&taps)[5]) {
    CalibrationScreen screen;
    int next = 0;
    bool cancelled = false;
    bool penDown = false;
    POINT downAt{};
    screen.Show(kTargets[0], 0, 5);
    PenCapture capture(
        [&](PenAction action, int x, int y) {
            if (action == PenAction::Down) {
                penDown = true;
                downAt = POINT{x, y};
            } else if (action == PenAction::Up && penDown) {
                // A target counts when the pen is lifted: the point where it
                // touched down is the one the user aimed.
                penDown = false;
                taps[next++] = downAt;
                if (next < 5) {
                    screen.Show(kTargets[next], next, 5);
                }
            }
        },
        [&] { cancelled = true; });
    bool running = RunNestedLoop([&] { return next < 5 && !cancelled; });
    return running && !cancelled && next == 5;
}

}  // namespace

int RawTouchValue(int pixel, int screenSize) {
    if (screenSize <= 1) {
        return 0;
    }
    long clamped = pixel < 0 ? 0 : (pixel >= screenSize ? screenSize - 1 : pixel);
    return static_cast<int>((clamped * kRawMax + (screenSize - 1) / 2) / (screenSize - 1));
}

std::wstring FormatCalibration(const POINT (&taps)[5]) {
    std::wstring text;
    for (const POINT& tap : taps) {
        if (!text.empty()) {
            text.push_back(L' ');
        }
        text += std::to_wstring(RawTouchValue(tap.x, kScreenWidth)) + L"," +
                std::to_wstring(RawTouchValue(tap.y, kScreenHeight));
    }
    return text;
}

CalibrationRoutine SetTouchCalibrationRoutine(CalibrationRoutine routine) {
    std::lock_guard guard(g_routineLock);
    std::swap(g_routine, routine);
    return routine;
}

}  // namespace dv

BOOL TouchCalibrate() {
    dv::CalibrationRoutine routine;
    {
        std::lock_guard guard(dv::g_routineLock);
        routine = dv::g_routine;
    }
    if (routine) {
        return routine();
    }
    NKDbgPrintfW(L"TouchCalibrate: touch the five targets\r\n");
    POINT taps[5] = {};
    if (!dv::RunCalibrationScreen(taps)) {
        NKDbgPrintfW(L"TouchCalibrate: cancelled, calibration kept\r\n");
        return FALSE;
    }
    std::wstring text = dv::FormatCalibration(taps);
    if (!dv::StoreCalibration(text)) {
        NKDbgPrintfW(L"TouchCalibrate: cannot store CalibrationData\r\n");
        return FALSE;
    }
    NKDbgPrintfW(L"TouchCalibrate: CalibrationData = %s\r\n", text.c_str());
    return TRUE;
}

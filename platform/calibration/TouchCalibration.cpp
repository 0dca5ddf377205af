#include "platform/calibration/TouchCalibration.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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

// A tap is refused, and the sequence starts again from the first target,
// when it cannot be what the person aimed at: farther than kMissDistance
// from its target (a tap meant for another place, or a stray touch), within
// kRepeatDistance of the tap before (the pen bounced instead of moving on),
// or, for the fifth, when the five do not fit one affine map from the
// targets to the taps within kFitTolerance (one corner off against the
// others). The distances are screen pixels.
constexpr double kMissDistance = 20.0;
constexpr double kRepeatDistance = 7.0;
constexpr double kFitTolerance = 10.0;

double Distance(POINT a, POINT b) {
    return std::hypot(static_cast<double>(a.x - b.x), static_cast<double>(a.y - b.y));
}

// The largest distance of a tap from where the least-squares affine map of
// the targets onto the taps puts it.
double LargestFitError(const POINT (&taps)[5]) {
    double m[3][3] = {};
    double rx[3] = {};
    double ry[3] = {};
    for (int i = 0; i < 5; ++i) {
        const double v[3] = {static_cast<double>(kTargets[i].x), static_cast<double>(kTargets[i].y),
                             1.0};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                m[r][c] += v[r] * v[c];
            }
            rx[r] += v[r] * taps[i].x;
            ry[r] += v[r] * taps[i].y;
        }
    }
    auto det = [](const double(&a)[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    // Cramer's rule; the targets are fixed and not on one line, so the
    // matrix is never singular.
    auto solve = [&](const double(&rhs)[3], double(&out)[3]) {
        const double d = det(m);
        for (int k = 0; k < 3; ++k) {
            double a[3][3];
            std::memcpy(a, m, sizeof a);
            for (int r = 0; r < 3; ++r) {
                a[r][k] = rhs[r];
            }
            out[k] = det(a) / d;
        }
    };
    double px[3];
    double py[3];
    solve(rx, px);
    solve(ry, py);
    double worst = 0.0;
    for (int i = 0; i < 5; ++i) {
        const double fx = px[0] * kTargets[i].x + px[1] * kTargets[i].y + px[2];
        const double fy = py[0] * kTargets[i].x + py[1] * kTargets[i].y + py[2];
        worst = std::max(worst, std::hypot(fx - taps[i].x, fy - taps[i].y));
    }
    return worst;
}

// Why the next tap is refused, or nullptr when it is taken.
const wchar_t* Refusal(const POINT (&taps)[5], int next, POINT tap) {
    if (next > 0 && Distance(tap, taps[next - 1]) <= kRepeatDistance) {
        return L"repeats the one before";
    }
    if (Distance(tap, kTargets[next]) > kMissDistance) {
        return L"is off its target";
    }
    if (next == 4) {
        POINT all[5];
        std::copy(taps, taps + 4, all);
        all[4] = tap;
        if (LargestFitError(all) > kFitTolerance) {
            return L"does not agree with the others";
        }
    }
    return nullptr;
}

// Runs the screen: one tap per target, in order, until five agreeing taps
// are in. Returns false when the user cancelled or the program is quitting.
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
                return;
            }
            if (action != PenAction::Up || !penDown) {
                return;
            }
            // A target counts when the pen is lifted: the point where it
            // touched down is the one the user aimed.
            penDown = false;
            if (const wchar_t* why = Refusal(taps, next, downAt)) {
                NKDbgPrintfW(L"TouchCalibrate: tap %d at (%d, %d) %s; starting again\r\n", next + 1,
                             static_cast<int>(downAt.x), static_cast<int>(downAt.y), why);
                next = 0;
                screen.Show(kTargets[0], 0, 5, true);
                return;
            }
            taps[next++] = downAt;
            if (next < 5) {
                screen.Show(kTargets[next], next, 5);
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

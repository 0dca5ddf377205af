#include "platform/calibration/TouchCalibration.h"

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>

#include "platform/Platform.h"
#include "platform/WinBase.h"
#include "platform/WinReg.h"
#include "platform/calibration/CalibrationScreen.h"
#include "platform/calibration/CalibrationTaps.h"
#include "platform/display/TouchScreen.h"
#include "platform/storage/AtomicReplacement.h"
#include "platform/touch/TouchMap.h"
#include "platform/window/PenInput.h"

namespace dv {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 234;
constexpr int kRawMax = 4095;
constexpr int kTargetCount = static_cast<int>(std::size(kCalibrationTargets));
constexpr LPCWSTR kTouchKey = L"HARDWARE\\DEVICEMAP\\TOUCH";
constexpr LPCWSTR kCalibrationValue = L"CalibrationData";
// A screen nobody touches (a unit with no keyboard has no other way out) gives up.
constexpr auto kIdleLimit = std::chrono::seconds(30);
constexpr const char* kUdevRules = "dev/touch-calibration.rules";

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

// For units where a compositor reads the touch screen through libinput.
void WriteUdevRule(const display::BoundTouchScreen& bound, const touch::CalibrationPoints& raw) {
    const auto matrix = display::TouchMatrixFor(raw);
    if (!matrix) {
        return;  // the taps were judged to fit, so this cannot happen
    }
    const std::string numbers = touch::MatrixText(*matrix);
    const std::string rule = "# libinput's calibration matrix for " + bound.path +
                             ", written by the panel's touch calibration\n"
                             "SUBSYSTEM==\"input\", KERNEL==\"" +
                             std::filesystem::path(bound.path).filename().string() +
                             "\", ENV{LIBINPUT_CALIBRATION_MATRIX}=\"" + numbers + "\"\n";
    const auto file = DeviceRoot() / kUdevRules;
    const bool written = AtomicReplacement::ReplaceWhole(
        file, std::span(reinterpret_cast<const BYTE*>(rule.data()), rule.size()));
    const std::wstring path = file.wstring();
    const std::wstring wideNumbers(numbers.begin(), numbers.end());
    NKDbgPrintfW(written ? L"TouchCalibrate: LIBINPUT_CALIBRATION_MATRIX \"%s\" written to %s\r\n"
                         : L"TouchCalibrate: cannot write LIBINPUT_CALIBRATION_MATRIX \"%s\" to "
                           L"%s\r\n",
                 wideNumbers.c_str(), path.c_str());
}

// The raw values of a tap: the controller's, or what it would have read.
touch::RawPoint RawOf(int x, int y, const touch::RawPoint* raw) {
    if (raw != nullptr) {
        return *raw;
    }
    if (const auto bound = display::RawTouchAt(x, y)) {
        return *bound;
    }
    return {RawTouchValue(x, kScreenWidth), RawTouchValue(y, kScreenHeight)};
}

CalibrationTaps NewSequence() {
    if (const auto bound = display::BoundTouch()) {
        return CalibrationTaps(bound->x, bound->y);
    }
    return CalibrationTaps({0, kRawMax}, {0, kRawMax});
}

// Takes the tap, or says on the screen and in the log why not.
void Judge(CalibrationScreen& screen, CalibrationTaps& taps, touch::RawPoint raw) {
    const int index = taps.Count();
    const auto judgement = taps.Add(raw);
    switch (judgement.verdict) {
        case CalibrationTaps::Verdict::Taken:
            if (!taps.Complete()) {
                screen.Show(kCalibrationTargets[index + 1], index + 1, kTargetCount);
            }
            break;
        case CalibrationTaps::Verdict::DoubleTap:
            NKDbgPrintfW(
                L"TouchCalibrate: tap %d at %d,%d repeats tap %d; touch the cross again\r\n",
                index + 1, raw.x, raw.y, judgement.earlier + 1);
            screen.Show(kCalibrationTargets[index], index, kTargetCount,
                        CalibrationScreen::Prompt::DoubleTap);
            break;
        case CalibrationTaps::Verdict::Disagrees:
            NKDbgPrintfW(
                L"TouchCalibrate: tap %d at %d,%d does not agree with the others (%.1f px "
                L"off); starting again\r\n",
                index + 1, raw.x, raw.y, judgement.offPx);
            screen.Show(kCalibrationTargets[0], 0, kTargetCount,
                        CalibrationScreen::Prompt::StartAgain);
            break;
    }
}

// Runs the screen: one tap per target, in order, until five agreeing taps
// are in. False when the user cancelled, nobody touched the screen for
// kIdleLimit, or the program is quitting.
bool RunCalibrationScreen(touch::CalibrationPoints& result) {
    CalibrationScreen screen;
    CalibrationTaps taps = NewSequence();
    bool cancelled = false;
    bool penDown = false;
    touch::RawPoint downAt{};
    Clock::time_point lastTouch = Clock::now();
    screen.Show(kCalibrationTargets[0], 0, kTargetCount);
    PenCapture capture(
        [&](PenAction action, int x, int y, const touch::RawPoint* raw) {
            lastTouch = Clock::now();
            if (action == PenAction::Down) {
                penDown = true;
                downAt = RawOf(x, y, raw);
                return;
            }
            if (action != PenAction::Up || !penDown) {
                return;
            }
            // A target counts when the pen is lifted: the point where it
            // touched down is the one the user aimed.
            penDown = false;
            Judge(screen, taps, downAt);
        },
        [&] { cancelled = true; });
    const auto giveUpAt = [&] { return lastTouch + kIdleLimit; };
    bool idle = false;
    const bool running = RunNestedLoop(
        [&] {
            idle = Clock::now() >= giveUpAt();
            return !taps.Complete() && !cancelled && !idle;
        },
        giveUpAt);
    if (!taps.Complete() && idle && !cancelled) {
        NKDbgPrintfW(L"TouchCalibrate: no tap for %d s\r\n", static_cast<int>(kIdleLimit.count()));
    }
    if (!running || cancelled || !taps.Complete()) {
        return false;
    }
    std::copy(taps.Taps().begin(), taps.Taps().end(), result.begin());
    return true;
}

}  // namespace

int RawTouchValue(int pixel, int screenSize) {
    if (screenSize <= 1) {
        return 0;
    }
    long clamped = pixel < 0 ? 0 : (pixel >= screenSize ? screenSize - 1 : pixel);
    return static_cast<int>((clamped * kRawMax + (screenSize - 1) / 2) / (screenSize - 1));
}

std::wstring FormatCalibration(std::span<const touch::RawPoint> taps) {
    std::wstring text;
    for (const touch::RawPoint& tap : taps) {
        if (!text.empty()) {
            text.push_back(L' ');
        }
        text += std::to_wstring(tap.x) + L"," + std::to_wstring(tap.y);
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
    dv::touch::CalibrationPoints taps{};
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
    if (const auto bound = dv::display::BoundTouch()) {
        dv::WriteUdevRule(*bound, taps);
    }
    return TRUE;
}

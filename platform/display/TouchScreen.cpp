// The map is made again at a pen down whenever the stored calibration or the
// display's layout changed since the last one, so a new calibration applies
// from the next touch on and a drag keeps the map it started with. A stored
// calibration that cannot be used is logged once and the map stays as it was.
#include "platform/display/TouchScreen.h"

#include <cmath>
#include <vector>

#include "platform/Platform.h"
#include "platform/WinReg.h"
#include "platform/core/DebugLog.h"
#include "platform/core/DeviceBindings.h"
#include "platform/display/Display.h"
#include "platform/display/DisplayState.h"

namespace dv::display {
namespace {

constexpr const char* kDevice = "TOUCH";
constexpr const char* kKind = "evdev";
constexpr LPCWSTR kTouchKey = L"HARDWARE\\DEVICEMAP\\TOUCH";
constexpr LPCWSTR kCalibrationValue = L"CalibrationData";
// The same five targets, in the same order, as the calibration screen's.
constexpr POINT kTargets[touch::kCalibrationPoints] = {
    {240, 117}, {432, 202}, {432, 32}, {48, 32}, {48, 202}};
// A fraction that lands a hair below a pixel's edge through rounding still
// means that pixel.
constexpr double kEdgeSlack = 1e-9;

void Log(const std::string& text) {
    WriteDebugText("TOUCH: " + text + "\r\n");
}

std::optional<std::wstring> StoredCalibration() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTouchKey, 0, 0, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    char16_t text[128] = {};
    DWORD size = sizeof text - sizeof(char16_t);
    const LONG result = RegQueryValueExW(key, kCalibrationValue, nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(text, text + std::char_traits<char16_t>::length(text));
}

// Where panel point (x, y) lies on the display, as fractions of it.
touch::PlanePoint OnDisplay(const DisplayState& s, double x, double y) {
    if (!s.fullScreen || s.drawWidth <= 0 || s.drawHeight <= 0) {
        return {x / kScreenWidth, y / kScreenHeight};
    }
    return {(s.box.x + x * s.box.width / kScreenWidth) / s.drawWidth,
            (s.box.y + y * s.box.height / kScreenHeight) / s.drawHeight};
}

PanelPoint OnPanel(const DisplayState& s, touch::PlanePoint at) {
    if (!s.fullScreen) {
        PanelPoint p{static_cast<int>(std::floor(at.x * kScreenWidth + kEdgeSlack)),
                     static_cast<int>(std::floor(at.y * kScreenHeight + kEdgeSlack)), false};
        p.inside = p.x >= 0 && p.x < kScreenWidth && p.y >= 0 && p.y < kScreenHeight;
        return p;
    }
    return ToPanel(s.box, static_cast<int>(std::floor(at.x * s.drawWidth + kEdgeSlack)),
                   static_cast<int>(std::floor(at.y * s.drawHeight + kEdgeSlack)));
}

// A tap aims at the middle of the target's pixel.
std::vector<touch::PlanePoint> TargetsOnDisplay(const DisplayState& s) {
    std::vector<touch::PlanePoint> targets;
    for (const POINT& t : kTargets) {
        targets.push_back(OnDisplay(s, t.x + 0.5, t.y + 0.5));
    }
    return targets;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

void Calibrate(DisplayState& s, const std::wstring& text) {
    const auto points = touch::ParseCalibration(text);
    if (!points) {
        Log("CalibrationData \"" + Narrow(text) +
            "\" is not five x,y pairs; the calibration in use stays");
        return;
    }
    if (!s.touchMap->Calibrate(*points, TargetsOnDisplay(s))) {
        Log("CalibrationData \"" + Narrow(text) +
            "\" is singular (its points lie on one line); the calibration in use stays");
        return;
    }
    Log("calibration " + touch::MatrixText(s.touchMap->Matrix()) + " from CalibrationData \"" +
        Narrow(text) + "\"");
}

// Makes the map again when what it is made from has changed.
void RefreshMap(DisplayState& s) {
    const auto text = StoredCalibration();
    const std::string layout = s.fullScreen ? s.layout : std::string();
    if (text == s.touchCalibration && layout == s.touchLayout) {
        return;
    }
    s.touchCalibration = text;
    s.touchLayout = layout;
    if (text) {
        Calibrate(s, *text);
    }
}

PenAction ToPen(touch::TouchPhase phase) {
    switch (phase) {
        case touch::TouchPhase::Down:
            return PenAction::Down;
        case touch::TouchPhase::Move:
            return PenAction::Move;
        case touch::TouchPhase::Up:
            break;
    }
    return PenAction::Up;
}

void Deliver(DisplayState& s, const InputSink& sink, const touch::TouchFrame& frame) {
    if (frame.phase == touch::TouchPhase::Down) {
        if (s.touchDown || s.mouseDown || s.fingerDown) {
            return;
        }
        RefreshMap(s);
    } else if (!s.touchDown) {
        return;
    }
    // A touch beside the panel goes on, past its edge: the window layer drops
    // it, but the calibration of a screen that has drifted needs it.
    const PanelPoint point = OnPanel(s, s.touchMap->ToDisplay(frame.raw));
    s.touchDown = frame.phase != touch::TouchPhase::Up;
    if (sink.touch != nullptr) {
        sink.touch(ToPen(frame.phase), point.x, point.y, frame.raw);
    } else if (sink.pen != nullptr) {
        sink.pen(ToPen(frame.phase), point.x, point.y);
    }
}

}  // namespace

void StartTouchScreen(DisplayState& s) {
    const auto binding = FindDeviceBinding(kDevice);
    if (!binding || binding->kind != kKind) {
        return;
    }
    s.touch = touch::TouchController::Start(binding->target, &Wake);
    if (s.touch == nullptr) {
        return;
    }
    s.touchMap.emplace(s.touch->RangeX(), s.touch->RangeY());
    s.touchCalibration.reset();
    s.touchLayout.clear();
    RefreshMap(s);
}

void StopTouchScreen(DisplayState& s) {
    s.touch.reset();
    s.touchMap.reset();
    s.touchDown = false;
}

void DeliverTouchFrames(DisplayState& s, const InputSink& sink) {
    if (s.touch == nullptr) {
        return;
    }
    for (const touch::TouchFrame& frame : s.touch->TakeFrames()) {
        Deliver(s, sink, frame);
    }
}

std::optional<BoundTouchScreen> BoundTouch() {
    const DisplayState& s = State();
    if (s.touch == nullptr) {
        return std::nullopt;
    }
    return BoundTouchScreen{s.touch->Path(), s.touch->RangeX(), s.touch->RangeY()};
}

std::optional<touch::RawPoint> RawTouchAt(int x, int y) {
    DisplayState& s = State();
    if (s.touch == nullptr) {
        return std::nullopt;
    }
    RefreshMap(s);
    const auto raw = s.touchMap->ToRaw(OnDisplay(s, x + 0.5, y + 0.5));
    if (!raw) {
        return std::nullopt;
    }
    return touch::RawPoint{static_cast<int>(std::lround(raw->x)),
                           static_cast<int>(std::lround(raw->y))};
}

std::optional<touch::Affine> TouchMatrixFor(const touch::CalibrationPoints& raw) {
    const DisplayState& s = State();
    if (s.touch == nullptr) {
        return std::nullopt;
    }
    touch::TouchMap map(s.touch->RangeX(), s.touch->RangeY());
    if (!map.Calibrate(raw, TargetsOnDisplay(s))) {
        return std::nullopt;
    }
    return map.Matrix();
}

}  // namespace dv::display

// The platform's interactive touch-screen calibration (TouchCalibrate): a
// full-screen screen of its own with five crosshair targets in turn, each
// taken with a pen tap. The raw touch-panel values of the five taps are
// stored as "x,y x,y x,y x,y x,y" in the registry value CalibrationData under
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\TOUCH, where the touch driver keeps
// its calibration. With a touch controller bound (TOUCH in the device
// bindings) the raw values are the controller's own, and libinput's matrix
// for them is written as a udev rule to ROOT/dev/touch-calibration.rules.
// With no tap for 30 seconds the screen gives up and the calibration there
// was stays.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "platform/WinDef.h"
#include "platform/touch/TouchFrame.h"

namespace dv {

// Raw touch-panel value of a screen pixel when no controller reports its
// own: the panel reports 12 bits per axis.
int RawTouchValue(int pixel, int screenSize);
// The registry text for five taps in target order.
std::wstring FormatCalibration(std::span<const touch::RawPoint> taps);

// Tests put a routine of their own in place of the screen while the returned
// scope lives (an empty function restores the screen).
using CalibrationRoutine = std::function<BOOL()>;
CalibrationRoutine SetTouchCalibrationRoutine(CalibrationRoutine routine);

}  // namespace dv

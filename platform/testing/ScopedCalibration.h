// Puts a routine of the test's own in the place of the touch calibration
// screen while the scope lives: TouchCalibrate() then runs it and returns
// its result. The screen comes back when the scope ends.
#pragma once

#include <functional>

#include "platform/calibration/TouchCalibration.h"

namespace dv::testing {

class ScopedCalibration {
public:
    explicit ScopedCalibration(std::function<BOOL()> routine)
        : m_previous(SetTouchCalibrationRoutine(std::move(routine))) {}
    ~ScopedCalibration() { SetTouchCalibrationRoutine(std::move(m_previous)); }
    ScopedCalibration(const ScopedCalibration&) = delete;
    ScopedCalibration& operator=(const ScopedCalibration&) = delete;

private:
    std::function<BOOL()> m_previous;
};

}  // namespace dv::testing

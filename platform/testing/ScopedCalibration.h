// While it lives, TouchCalibrate() runs the test's routine instead of the
// calibration screen and returns its result.
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

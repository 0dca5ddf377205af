#include "platform/testing/ScopedCalibration.h"

#include "platform/calibration/TouchCalibration.h"

namespace dv::testing {

ScopedCalibration::ScopedCalibration(std::function<BOOL()> routine)
    : m_previous(SetTouchCalibrationRoutine(std::move(routine))) {}

ScopedCalibration::~ScopedCalibration() {
    SetTouchCalibrationRoutine(std::move(m_previous));
}

}  // namespace dv::testing

#include "platform/calibration/CalibrationTaps.h"

#include <cstdlib>
#include <limits>

#include "platform/touch/AffineFit.h"

namespace dv {
namespace {

// From this many taps on the map is over-determined and can be checked.
constexpr std::size_t kFirstChecked = 4;

}  // namespace

bool CalibrationTaps::SamePlace(touch::RawPoint a, touch::RawPoint b) const {
    return std::abs(a.x - b.x) <= kSamePlaceShare * (m_x.maximum - m_x.minimum) &&
           std::abs(a.y - b.y) <= kSamePlaceShare * (m_y.maximum - m_y.minimum);
}

double CalibrationTaps::Disagreement() const {
    std::vector<touch::PlanePoint> from;
    std::vector<touch::PlanePoint> to;
    for (std::size_t i = 0; i < m_taps.size(); ++i) {
        from.push_back({static_cast<double>(m_taps[i].x), static_cast<double>(m_taps[i].y)});
        to.push_back({static_cast<double>(kCalibrationTargets[i].x),
                      static_cast<double>(kCalibrationTargets[i].y)});
    }
    const auto map = touch::FitAffine(from, to);
    return map ? touch::LargestResidual(*map, from, to) : std::numeric_limits<double>::infinity();
}

CalibrationTaps::Judgement CalibrationTaps::Add(touch::RawPoint tap) {
    for (std::size_t i = 0; i < m_taps.size(); ++i) {
        if (SamePlace(tap, m_taps[i])) {
            return {Verdict::DoubleTap, static_cast<int>(i), 0.0};
        }
    }
    m_taps.push_back(tap);
    if (m_taps.size() >= kFirstChecked) {
        if (const double off = Disagreement(); off > kAgreementPx) {
            m_taps.clear();
            return {Verdict::Disagrees, 0, off};
        }
    }
    return {};
}

}  // namespace dv

// The taps of one calibration sequence, in the controller's raw values, each
// judged only against the others, never against the calibration in use (a
// screen that has drifted must still be able to calibrate):
//  - a tap within kSamePlaceShare of an axis's range of an earlier tap, on
//    both axes, is a double tap: refused, the same target is asked again;
//  - from the fourth tap on, the taps must agree with one affine map onto
//    their targets: the least-squares map puts every tap within
//    kAgreementPx screen pixels of its target, or the sequence starts again.
// Any shift, rotation, scale or swap of the axes is one affine map, so a
// screen off by any of them calibrates in one sequence.
#pragma once

#include <span>
#include <vector>

#include "platform/WinDef.h"
#include "platform/touch/TouchFrame.h"

namespace dv {

// Ten pixels is about 3 mm on the unit's screen: more than a careful tap on a
// cross strays, less than the smallest control of the panel, so a calibration
// that passes hits every control where it is aimed. A centre tap d pixels off
// leaves 2d/3 of it after four taps and 4d/5 after five.
constexpr double kAgreementPx = 10.0;
// 2 % of the range: about 10 pixels across the screen, 5 down it; the
// targets lie 85 pixels apart or more.
constexpr double kSamePlaceShare = 0.02;

// Centre first, then the corners, inset so that a finger can reach them.
constexpr POINT kCalibrationTargets[5] = {{240, 117}, {432, 202}, {432, 32}, {48, 32}, {48, 202}};

class CalibrationTaps {
public:
    enum class Verdict { Taken, DoubleTap, Disagrees };
    struct Judgement {
        Verdict verdict = Verdict::Taken;
        int earlier = 0;     // a double tap: the 0-based tap it repeats
        double offPx = 0.0;  // disagreement: the largest distance from a target
    };

    CalibrationTaps(touch::AbsRange x, touch::AbsRange y) : m_x(x), m_y(y) {}

    Judgement Add(touch::RawPoint tap);
    int Count() const { return static_cast<int>(m_taps.size()); }
    bool Complete() const { return m_taps.size() == std::size(kCalibrationTargets); }
    std::span<const touch::RawPoint> Taps() const { return m_taps; }

private:
    bool SamePlace(touch::RawPoint a, touch::RawPoint b) const;
    // How far from its target the best map puts the worst tap; a flat set of
    // taps, which no map fits, is infinitely far.
    double Disagreement() const;

    touch::AbsRange m_x;
    touch::AbsRange m_y;
    std::vector<touch::RawPoint> m_taps;
};

}  // namespace dv

// From a touch controller's raw values to the display it covers, as the
// fractions s, t (0..1 across, 0..1 down) that libinput's calibration matrix
// works in: u = (x - minimum) / (maximum - minimum) on each axis, then
// s = a·u + b·v + c and t = d·u + e·v + f. Before any calibration the matrix
// is the identity, the linear map of the ranges; a calibration is the
// least-squares fit over the five stored points.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/touch/AffineFit.h"
#include "platform/touch/TouchFrame.h"

namespace dv::touch {

constexpr int kCalibrationPoints = 5;
using CalibrationPoints = std::array<RawPoint, kCalibrationPoints>;

class TouchMap {
public:
    // The ranges must not be empty.
    TouchMap(AbsRange x, AbsRange y) : m_x(x), m_y(y) {}

    // Fits the raw points to the display fractions of their targets; keeps the
    // matrix it had and returns false when the fit is singular.
    bool Calibrate(std::span<const RawPoint> raw, std::span<const PlanePoint> targets);
    PlanePoint ToDisplay(RawPoint raw) const;
    // The raw values the map turns into a display point, if any.
    std::optional<PlanePoint> ToRaw(PlanePoint display) const;

    const Affine& Matrix() const { return m_matrix; }
    AbsRange RangeX() const { return m_x; }
    AbsRange RangeY() const { return m_y; }

private:
    PlanePoint Normalise(RawPoint raw) const;

    AbsRange m_x;
    AbsRange m_y;
    Affine m_matrix;
};

// "x,y x,y x,y x,y x,y" as the calibration screen stores it; nothing unless
// it is exactly five pairs of whole numbers.
std::optional<CalibrationPoints> ParseCalibration(std::wstring_view text);
// The six numbers as libinput reads them: "a b c d e f", six decimals at most.
std::string MatrixText(const Affine& matrix);

}  // namespace dv::touch

// The least-squares affine map between two sets of plane points: the fit
// that turns a touch controller's raw readings at known targets into screen
// points, and tells whether those readings agree with one map at all.
#pragma once

#include <optional>
#include <span>

namespace dv::touch {

struct PlanePoint {
    double x = 0.0;
    double y = 0.0;
};

// x' = a·x + b·y + c, y' = d·x + e·y + f.
struct Affine {
    double a = 1.0, b = 0.0, c = 0.0;
    double d = 0.0, e = 1.0, f = 0.0;

    PlanePoint Apply(PlanePoint p) const { return {a * p.x + b * p.y + c, d * p.x + e * p.y + f}; }
    // The map back, or nothing when this one flattens the plane.
    std::optional<Affine> Inverse() const;
};

// The map that takes each from[i] nearest to to[i], in the least-squares
// sense. Nothing when the from points lie (nearly) on one line, where no
// single map is determined: fewer than three points, or a spread across the
// line under a millionth of the spread along it.
std::optional<Affine> FitAffine(std::span<const PlanePoint> from, std::span<const PlanePoint> to);

// The largest distance between to[i] and where the map puts from[i].
double LargestResidual(const Affine& map, std::span<const PlanePoint> from,
                       std::span<const PlanePoint> to);

}  // namespace dv::touch

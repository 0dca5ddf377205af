// The fit works on coordinates centred on their means, where the normal
// equations of the six unknowns fall apart into one 2 x 2 system per output
// axis that shares its matrix: the spread of the from points.
#include "platform/touch/AffineFit.h"

#include <algorithm>
#include <cmath>

namespace dv::touch {
namespace {

// Below this ratio of the spread's determinant to its largest possible value
// (the square of half its trace) the points count as lying on one line.
constexpr double kFlatness = 1e-6;

PlanePoint Mean(std::span<const PlanePoint> points) {
    PlanePoint mean;
    for (const PlanePoint& p : points) {
        mean.x += p.x;
        mean.y += p.y;
    }
    const double n = static_cast<double>(points.size());
    return {mean.x / n, mean.y / n};
}

}  // namespace

std::optional<Affine> Affine::Inverse() const {
    const double det = a * e - b * d;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) {
        return std::nullopt;
    }
    Affine inverse;
    inverse.a = e / det;
    inverse.b = -b / det;
    inverse.d = -d / det;
    inverse.e = a / det;
    inverse.c = -(inverse.a * c + inverse.b * f);
    inverse.f = -(inverse.d * c + inverse.e * f);
    return inverse;
}

std::optional<Affine> FitAffine(std::span<const PlanePoint> from, std::span<const PlanePoint> to) {
    if (from.size() != to.size() || from.size() < 3) {
        return std::nullopt;
    }
    const PlanePoint pm = Mean(from);
    const PlanePoint qm = Mean(to);
    double sxx = 0, sxy = 0, syy = 0;           // the spread of from
    double uxx = 0, uxy = 0, uyx = 0, uyy = 0;  // to against from
    for (std::size_t i = 0; i < from.size(); ++i) {
        const double px = from[i].x - pm.x, py = from[i].y - pm.y;
        const double qx = to[i].x - qm.x, qy = to[i].y - qm.y;
        sxx += px * px;
        sxy += px * py;
        syy += py * py;
        uxx += qx * px;
        uxy += qx * py;
        uyx += qy * px;
        uyy += qy * py;
    }
    const double det = sxx * syy - sxy * sxy;
    const double halfTrace = (sxx + syy) / 2;
    if (!(halfTrace > 0) || det < kFlatness * halfTrace * halfTrace) {
        return std::nullopt;
    }
    Affine map;
    map.a = (uxx * syy - uxy * sxy) / det;
    map.b = (uxy * sxx - uxx * sxy) / det;
    map.d = (uyx * syy - uyy * sxy) / det;
    map.e = (uyy * sxx - uyx * sxy) / det;
    map.c = qm.x - map.a * pm.x - map.b * pm.y;
    map.f = qm.y - map.d * pm.x - map.e * pm.y;
    return map;
}

double LargestResidual(const Affine& map, std::span<const PlanePoint> from,
                       std::span<const PlanePoint> to) {
    double worst = 0.0;
    for (std::size_t i = 0; i < from.size() && i < to.size(); ++i) {
        const PlanePoint p = map.Apply(from[i]);
        worst = std::max(worst, std::hypot(p.x - to[i].x, p.y - to[i].y));
    }
    return worst;
}

}  // namespace dv::touch

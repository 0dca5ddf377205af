// The fit is worked out in whole numbers from the side that limits it, so a
// whole scale is recognised exactly and the picture meets that side's edges.
#include "platform/display/Letterbox.h"

#include <algorithm>
#include <cstdint>

#include "platform/display/Display.h"

namespace dv::display {
namespace {

// a * b / c rounded to the nearest, for positive values.
int MulDivRound(int a, int b, int c) {
    return static_cast<int>((static_cast<int64_t>(a) * b * 2 + c) / (static_cast<int64_t>(c) * 2));
}

// a * b / c rounded down, negative values included.
int MulDivFloor(int a, int b, int c) {
    const int64_t n = static_cast<int64_t>(a) * b;
    return static_cast<int>(n >= 0 ? n / c : -((-n + c - 1) / c));
}

Letterbox Centred(int width, int height, int pictureWidth, int pictureHeight) {
    Letterbox box;
    box.width = pictureWidth;
    box.height = pictureHeight;
    box.x = (width - pictureWidth) / 2;
    box.y = (height - pictureHeight) / 2;
    box.scale = static_cast<double>(pictureWidth) / kScreenWidth;
    return box;
}

Letterbox FitWhole(int width, int height) {
    const int scale = std::min(width / kScreenWidth, height / kScreenHeight);
    return Centred(width, height, kScreenWidth * scale, kScreenHeight * scale);
}

Letterbox FitAny(int width, int height) {
    const bool widthLimits =
        static_cast<int64_t>(width) * kScreenHeight <= static_cast<int64_t>(height) * kScreenWidth;
    if (widthLimits) {
        Letterbox box =
            Centred(width, height, width, MulDivRound(width, kScreenHeight, kScreenWidth));
        box.filter = width % kScreenWidth == 0 ? ScaleFilter::Nearest : ScaleFilter::Linear;
        return box;
    }
    Letterbox box =
        Centred(width, height, MulDivRound(height, kScreenWidth, kScreenHeight), height);
    box.scale = static_cast<double>(height) / kScreenHeight;
    box.filter = height % kScreenHeight == 0 ? ScaleFilter::Nearest : ScaleFilter::Linear;
    return box;
}

}  // namespace

Letterbox FitPanel(int width, int height, ScaleMode mode) {
    if (width <= 0 || height <= 0) {
        return Centred(kScreenWidth, kScreenHeight, kScreenWidth, kScreenHeight);
    }
    if (mode == ScaleMode::Integer && width >= kScreenWidth && height >= kScreenHeight) {
        return FitWhole(width, height);
    }
    return FitAny(width, height);
}

PanelPoint ToPanel(const Letterbox& box, int x, int y) {
    PanelPoint point;
    // The display pixel's centre decides, as it does for the filter drawing it.
    point.x = MulDivFloor(2 * (x - box.x) + 1, kScreenWidth, 2 * std::max(box.width, 1));
    point.y = MulDivFloor(2 * (y - box.y) + 1, kScreenHeight, 2 * std::max(box.height, 1));
    point.inside =
        point.x >= 0 && point.x < kScreenWidth && point.y >= 0 && point.y < kScreenHeight;
    return point;
}

}  // namespace dv::display

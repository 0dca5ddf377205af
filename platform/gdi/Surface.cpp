#include "platform/gdi/Surface.h"

#include <algorithm>
#include <cstring>

namespace dv::gdi {

PixelRect ClipToSurface(const Surface& s, PixelRect r) {
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, s.width);
    r.bottom = std::min(r.bottom, s.height);
    return r;
}

PixelRect CopyPixels(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx,
                     int sy) {
    if (w <= 0 || h <= 0) {
        return {};
    }
    // Work in 64 bits so that coordinates near the int limits cannot wrap.
    int64_t x0 = 0;
    int64_t y0 = 0;
    int64_t x1 = w;
    int64_t y1 = h;
    // Cut to the source surface, then to the destination, in area-relative terms.
    x0 = std::max({x0, -static_cast<int64_t>(sx), -static_cast<int64_t>(dx)});
    y0 = std::max({y0, -static_cast<int64_t>(sy), -static_cast<int64_t>(dy)});
    x1 = std::min({x1, static_cast<int64_t>(src.width) - sx, static_cast<int64_t>(dst.width) - dx});
    y1 = std::min(
        {y1, static_cast<int64_t>(src.height) - sy, static_cast<int64_t>(dst.height) - dy});
    if (x1 <= x0 || y1 <= y0) {
        return {};
    }
    const auto cols = static_cast<std::size_t>(x1 - x0);
    const int rows = static_cast<int>(y1 - y0);
    const int srcX = static_cast<int>(sx + x0);
    const int srcY = static_cast<int>(sy + y0);
    const int dstX = static_cast<int>(dx + x0);
    const int dstY = static_cast<int>(dy + y0);
    // Within one surface a downward copy must run bottom-up so that rows are
    // read before they are overwritten; memmove handles overlap inside a row.
    const bool bottomUp = (&dst == &src) && dstY > srcY;
    for (int i = 0; i < rows; ++i) {
        const int r = bottomUp ? rows - 1 - i : i;
        std::memmove(dst.Row(dstY + r) + dstX, src.Row(srcY + r) + srcX, cols * sizeof(uint32_t));
    }
    return {dstX, dstY, dstX + static_cast<int>(cols), dstY + rows};
}

}  // namespace dv::gdi

#include "platform/gdi/Surface.h"

#include <algorithm>
#include <cstring>

namespace dv::gdi {
Surface::Surface(int w, int h) : width(w), height(h) {
    Allocate();
    m_bClearPending = true;
}

Surface::Surface(const Surface& other) : width(other.width), height(other.height) {
    ShareContents(other);
}

void Surface::Allocate() {
    m_pixels = std::make_shared_for_overwrite<uint32_t[]>(Size());
}

void Surface::ShareContents(const Surface& other) {
    if (other.m_bClearPending) {
        // Nothing to share yet: this surface becomes black on its own.
        if (!m_pixels || m_pixels.use_count() > 1) {
            Allocate();
        }
        m_bClearPending = true;
        return;
    }
    m_pixels = other.m_pixels;
    m_bClearPending = false;
}

const uint32_t* Surface::ReadableData() const {
    if (m_bClearPending) {
        // A pending clear is only ever set on pixels this surface owns alone.
        std::memset(m_pixels.get(), 0, Size() * sizeof(uint32_t));
        m_bClearPending = false;
    }
    return m_pixels.get();
}

uint32_t* Surface::WritableData() {
    if (m_pixels && m_pixels.use_count() > 1) {
        std::shared_ptr<uint32_t[]> shared = std::move(m_pixels);
        Allocate();
        std::memcpy(m_pixels.get(), shared.get(), Size() * sizeof(uint32_t));
    }
    return const_cast<uint32_t*>(ReadableData());
}

uint32_t* Surface::RowForFullOverwrite(int y) {
    if (m_pixels && m_pixels.use_count() > 1) {
        Allocate();
    }
    m_bClearPending = false;
    return m_pixels.get() + static_cast<std::size_t>(y) * width;
}

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
    const bool whole = &dst != &src && dstX == 0 && dstY == 0 && rows == dst.height &&
                       static_cast<int>(cols) == dst.width;
    if (whole && srcX == 0 && srcY == 0 && src.width == dst.width && src.height == dst.height) {
        dst.ShareContents(src);
    } else {
        // Row pointers are taken once: a write access may first have to make
        // shared pixels this surface's own.
        const std::size_t bytes = cols * sizeof(uint32_t);
        uint32_t* out = whole ? dst.RowForFullOverwrite(0) : dst.Row(0);
        const uint32_t* in = src.Row(0);
        const auto dstStride = static_cast<std::size_t>(dst.width);
        const auto srcStride = static_cast<std::size_t>(src.width);
        for (int i = 0; i < rows; ++i) {
            const int r = bottomUp ? rows - 1 - i : i;
            uint32_t* to = out + (dstY + r) * dstStride + dstX;
            const uint32_t* from = in + (srcY + r) * srcStride + srcX;
            if (&dst == &src) {
                std::memmove(to, from, bytes);
            } else {
                std::memcpy(to, from, bytes);
            }
        }
    }
    return {dstX, dstY, dstX + static_cast<int>(cols), dstY + rows};
}

}  // namespace dv::gdi

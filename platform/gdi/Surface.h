// A block of 32-bit pixels (0x00RRGGBB), row by row: what a bitmap holds and
// what every drawing call reads and writes.
#pragma once

#include <cstdint>
#include <vector>

namespace dv::gdi {

struct Surface {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    Surface() = default;
    Surface(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, 0) {}

    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint32_t* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width; }
    const uint32_t* Row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * width; }
};

// Copies w x h pixels from src at (sx, sy) to dst at (dx, dy). The area is
// cut to what lies inside both surfaces; src and dst may be the same surface
// and the areas may overlap. Returns the destination area actually written
// (empty when nothing was).
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};

PixelRect CopyPixels(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx,
                     int sy);

// The part of (left, top, right, bottom) inside the surface.
PixelRect ClipToSurface(const Surface& s, PixelRect r);

}  // namespace dv::gdi

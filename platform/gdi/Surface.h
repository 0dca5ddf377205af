// A block of 32-bit pixels (0x00RRGGBB), row by row: what a bitmap holds and
// what every drawing call reads and writes.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace dv::gdi {

// A new surface reads as black. The clear is deferred until a pixel is first
// read or partly written, so a surface whose first drawing covers it whole
// (a page composed over a full-screen background) is never cleared at all.
//
// Copies share their pixels until one of them is written (copy on write):
// a bitmap loaded from a resource shares the decoded pixels, and a block copy
// of a whole surface onto another of its size shares instead of copying.
class Surface {
public:
    Surface(int w, int h);
    Surface(const Surface& other);
    Surface& operator=(const Surface& other) = delete;
    Surface(Surface&&) noexcept = default;
    Surface& operator=(Surface&&) noexcept = default;

    int width = 0;
    int height = 0;

    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    std::size_t Size() const { return static_cast<std::size_t>(width) * height; }
    uint32_t* Row(int y) { return WritableData() + static_cast<std::size_t>(y) * width; }
    const uint32_t* Row(int y) const {
        return ReadableData() + static_cast<std::size_t>(y) * width;
    }
    std::span<uint32_t> Pixels() { return {WritableData(), Size()}; }
    std::span<const uint32_t> Pixels() const { return {ReadableData(), Size()}; }

    // Row pointers for a writer that covers every pixel of the surface
    // before anything reads it: the pending clear and the copy of shared
    // pixels are dropped, not done.
    uint32_t* RowForFullOverwrite(int y);

    // Makes this surface show exactly what `other` shows; the sizes must match.
    void ShareContents(const Surface& other);

private:
    const uint32_t* ReadableData() const;
    uint32_t* WritableData();
    void Allocate();

    std::shared_ptr<uint32_t[]> m_pixels;
    mutable bool m_bClearPending = false;
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

#include <gtest/gtest.h>

#include "platform/WinGdi.h"
#include "platform/testing/GdiSurfaces.h"
#include "platform/testing/LogCapture.h"

namespace {

using dv::testing::GdiMemorySurface;
using dv::testing::PixelSnapshot;
using dv::testing::SnapshotSurface;

constexpr uint32_t kBlank = 0x000000;

// Every source pixel is distinct, so a copy shows exactly where it came from.
uint32_t Coordinates(int x, int y) {
    return 0x100000u | static_cast<uint32_t>(y << 8 | x);
}

struct Blit {
    int x, y, cx, cy, sx, sy;
};

// What a clipped copy must produce: dst pixels inside both surfaces come from
// src, all others stay as they were.
PixelSnapshot Expected(const PixelSnapshot& dst, const PixelSnapshot& src, const Blit& b) {
    PixelSnapshot out = dst;
    for (int j = 0; j < b.cy; ++j) {
        for (int i = 0; i < b.cx; ++i) {
            const int64_t dx = int64_t{b.x} + i, dy = int64_t{b.y} + j;
            const int64_t sx = int64_t{b.sx} + i, sy = int64_t{b.sy} + j;
            if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height || sx < 0 || sy < 0 ||
                sx >= src.width || sy >= src.height) {
                continue;
            }
            out.pixels[static_cast<std::size_t>(dy * dst.width + dx)] =
                src.At(static_cast<int>(sx), static_cast<int>(sy));
        }
    }
    return out;
}

TEST(BitBlt, CopiesAreClippedAtEveryEdgeOfBothSurfaces) {
    const Blit cases[] = {
        {0, 0, 10, 8, 0, 0},            // whole source
        {-3, -2, 10, 8, 0, 0},          // off the destination's top left
        {15, 9, 10, 8, 0, 0},           // off the destination's bottom right
        {2, 2, 10, 8, -4, -3},          // reading before the source
        {2, 2, 10, 8, 6, 5},            // reading past the source
        {0, 0, 100, 100, 0, 0},         // far larger than both
        {-50, -50, 10, 10, 0, 0},       // entirely outside the destination
        {0, 0, 10, 10, 40, 40},         // entirely outside the source
        {5, 5, 0, 4, 0, 0},             // empty
        {5, 5, -4, 4, 0, 0},            // negative width
        {2147483600, 0, 100, 5, 0, 0},  // near the int limit
        {0, 0, 5, 5, -2147483600, 0},
    };
    GdiMemorySurface src(10, 8);
    dv::testing::PaintSurface(src.dc(), Coordinates);
    const PixelSnapshot srcPixels = SnapshotSurface(src.dc());
    for (const Blit& b : cases) {
        GdiMemorySurface dst(20, 12);
        const PixelSnapshot before = SnapshotSurface(dst.dc());
        EXPECT_TRUE(BitBlt(dst.dc(), b.x, b.y, b.cx, b.cy, src.dc(), b.sx, b.sy, SRCCOPY));
        EXPECT_EQ(SnapshotSurface(dst.dc()), Expected(before, srcPixels, b))
            << "blit at " << b.x << "," << b.y << " size " << b.cx << "x" << b.cy << " from "
            << b.sx << "," << b.sy;
    }
}

TEST(BitBlt, OverlappingCopiesWithinOneSurfaceReadTheOriginalPixels) {
    for (const Blit& b : {Blit{2, 3, 6, 4, 0, 0}, Blit{0, 0, 6, 4, 2, 3}, Blit{1, 0, 8, 8, 0, 0},
                          Blit{0, 1, 8, 7, 0, 0}}) {
        GdiMemorySurface s(10, 8);
        dv::testing::PaintSurface(s.dc(), Coordinates);
        const PixelSnapshot before = SnapshotSurface(s.dc());
        EXPECT_TRUE(BitBlt(s.dc(), b.x, b.y, b.cx, b.cy, s.dc(), b.sx, b.sy, SRCCOPY));
        EXPECT_EQ(SnapshotSurface(s.dc()), Expected(before, before, b));
    }
}

TEST(BitBlt, StripHalvesCopyToTheSameRectangle) {
    // A sprite strip of the OK button: 79 x 31 normal left, pressed right.
    HDC strip = CreateCompatibleDC(nullptr);
    ASSERT_NE(SelectObject(strip, LoadBitmapW(nullptr, MAKEINTRESOURCEW(140))), nullptr);
    const PixelSnapshot stripPixels = SnapshotSurface(strip);
    ASSERT_EQ(stripPixels.width, 158);

    GdiMemorySurface target(120, 60);
    dv::testing::FillSurface(target.dc(), 0x123456);
    const PixelSnapshot untouched = SnapshotSurface(target.dc());
    BitBlt(target.dc(), 11, 20, 79, 31, strip, 79, 0, SRCCOPY);  // pressed
    EXPECT_EQ(SnapshotSurface(target.dc()),
              Expected(untouched, stripPixels, {11, 20, 79, 31, 79, 0}));
    BitBlt(target.dc(), 11, 20, 79, 31, strip, 0, 0, SRCCOPY);  // normal again
    const PixelSnapshot normal = SnapshotSurface(target.dc());
    EXPECT_EQ(normal, Expected(untouched, stripPixels, {11, 20, 79, 31, 0, 0}));
    EXPECT_NE(normal, Expected(untouched, stripPixels, {11, 20, 79, 31, 79, 0}));
    DeleteDC(strip);
}

TEST(BitBlt, RefusesUnknownSurfacesAndOtherRasterOperations) {
    dv::testing::LogCapture log;
    GdiMemorySurface s(4, 4);
    EXPECT_FALSE(BitBlt(s.dc(), 0, 0, 4, 4, reinterpret_cast<HDC>(0x77), 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(nullptr, 0, 0, 4, 4, s.dc(), 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(s.dc(), 0, 0, 4, 4, s.dc(), 0, 0, 0x00EE0086u));
    EXPECT_TRUE(log.Contains("GDI: BitBlt: unknown surface"));
    EXPECT_TRUE(log.Contains("GDI: BitBlt: only SRCCOPY is supported\r\n"));
}

TEST(BitBlt, FreshSurfaceHoldsTheOnePixelStockBitmap) {
    HDC fresh = CreateCompatibleDC(nullptr);
    GdiMemorySurface target(5, 5);
    dv::testing::FillSurface(target.dc(), 0xFFFFFF);
    BitBlt(target.dc(), 0, 0, 5, 5, fresh, 0, 0, SRCCOPY);
    const PixelSnapshot after = SnapshotSurface(target.dc());
    EXPECT_EQ(after.At(0, 0), kBlank);
    EXPECT_EQ(after.At(1, 0), 0xFFFFFFu);
    EXPECT_EQ(after.At(0, 1), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(fresh, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(fresh, 1, 0), CLR_INVALID);
    DeleteDC(fresh);
}

}  // namespace

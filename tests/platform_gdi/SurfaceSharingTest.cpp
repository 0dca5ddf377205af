// Surfaces defer their clear and share pixels until written; neither may
// ever show through as a wrong pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "platform/gdi/Surface.h"

namespace {

using dv::gdi::CopyPixels;
using dv::gdi::Surface;

Surface Filled(int w, int h, uint32_t colour) {
    Surface s(w, h);
    std::ranges::fill(s.Pixels(), colour);
    return s;
}

bool AllAre(const Surface& s, uint32_t colour) {
    return std::ranges::all_of(std::as_const(s).Pixels(), [&](uint32_t p) { return p == colour; });
}

TEST(SurfaceSharing, NewSurfacesReadBlackWhetherReadWholeByRowOrAfterAPartialWrite) {
    Surface a(7, 5);
    EXPECT_TRUE(AllAre(a, 0));

    Surface b(7, 5);
    b.Row(2)[3] = 0x123456;
    EXPECT_EQ(std::as_const(b).Row(2)[2], 0u);
    EXPECT_EQ(std::as_const(b).Row(2)[3], 0x123456u);

    // A partial copy into a fresh surface leaves the rest black.
    Surface c(7, 5);
    const Surface red = Filled(2, 2, 0xFF0000);
    CopyPixels(c, 1, 1, 2, 2, red, 0, 0);
    EXPECT_EQ(std::as_const(c).Row(1)[1], 0xFF0000u);
    EXPECT_EQ(std::as_const(c).Row(0)[0], 0u);
    EXPECT_EQ(std::as_const(c).Row(4)[6], 0u);

    // Copies of a never-written surface are black and independent.
    Surface d(a);
    Surface e(3, 3);
    e = d;
    EXPECT_TRUE(AllAre(d, 0));
    EXPECT_TRUE(AllAre(e, 0));
}

TEST(SurfaceSharing, WritingEitherSideOfAWholeCopyLeavesTheOtherAsItWas) {
    Surface src = Filled(6, 4, 0x00AA00);
    Surface dst(6, 4);
    CopyPixels(dst, 0, 0, 6, 4, src, 0, 0);
    EXPECT_TRUE(AllAre(dst, 0x00AA00));

    src.Row(0)[0] = 0x111111;
    EXPECT_EQ(std::as_const(dst).Row(0)[0], 0x00AA00u);

    dst.Row(3)[5] = 0x222222;
    EXPECT_EQ(std::as_const(src).Row(3)[5], 0x00AA00u);

    // A copy constructed from a surface behaves the same way.
    Surface copy(src);
    copy.Pixels()[0] = 0x333333;
    EXPECT_EQ(std::as_const(src).Row(0)[0], 0x111111u);
}

TEST(SurfaceSharing, PartialCopiesIntoASharingSurfaceDoNotReachItsPartner) {
    const Surface background = Filled(5, 5, 0x0000CC);
    Surface page(5, 5);
    CopyPixels(page, 0, 0, 5, 5, background, 0, 0);
    const Surface piece = Filled(2, 2, 0xEEEEEE);
    CopyPixels(page, 1, 1, 2, 2, piece, 0, 0);
    EXPECT_TRUE(AllAre(background, 0x0000CC));
    EXPECT_EQ(std::as_const(page).Row(2)[2], 0xEEEEEEu);
    EXPECT_EQ(std::as_const(page).Row(3)[3], 0x0000CCu);

    // Offset whole-area copies and larger sources are not shares but must
    // cover the destination exactly.
    Surface big = Filled(8, 8, 0x010101);
    big.Row(2)[3] = 0x090909;
    Surface small(5, 5);
    CopyPixels(small, 0, 0, 5, 5, big, 3, 2);
    EXPECT_EQ(std::as_const(small).Row(0)[0], 0x090909u);
    EXPECT_EQ(std::as_const(small).Row(4)[4], 0x010101u);
    big.Row(2)[3] = 0;
    EXPECT_EQ(std::as_const(small).Row(0)[0], 0x090909u);
}

TEST(SurfaceSharing, OverlappingCopiesWithinASharedSurfaceStayCorrect) {
    Surface s(4, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            s.Row(y)[x] = static_cast<uint32_t>(y * 4 + x);
        }
    }
    const Surface before(s);
    CopyPixels(s, 0, 1, 4, 3, s, 0, 0);  // rows move down by one
    EXPECT_EQ(std::as_const(s).Row(3)[2], 10u);
    EXPECT_EQ(std::as_const(s).Row(1)[0], 0u);
    EXPECT_EQ(std::as_const(before).Row(3)[2], 14u);
}

}  // namespace

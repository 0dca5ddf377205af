// The artwork as the program loads it: every bitmap's id, size, depth and strip
// layout; where the pieces land is pinned by the scenarios' reference pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "platform/Resources.h"
#include "platform/WinGdi.h"
#include "platform/testing/GdiSurfaces.h"

namespace {

constexpr std::size_t kBmpBitCountOffset = 28;

// Id, width, height, bits a pixel, and whether it is a strip of a normal and a pressed half.
constexpr std::tuple<unsigned, int, int, int, bool> kTable[] = {
    {129, 480, 234, 24, false}, {130, 146, 97, 24, true},   {131, 116, 90, 24, true},
    {132, 120, 83, 24, true},   {133, 126, 96, 24, true},   {134, 189, 123, 24, false},
    {135, 189, 123, 24, false}, {136, 189, 123, 24, false}, {137, 189, 123, 24, false},
    {138, 122, 22, 32, true},   {139, 457, 160, 24, false}, {140, 158, 31, 32, true},
    {141, 158, 31, 32, true},   {142, 18, 19, 32, false},   {143, 4, 79, 32, false},
    {144, 457, 160, 24, false}, {145, 15, 14, 32, false},   {146, 268, 3, 32, false},
    {147, 19, 19, 32, false},   {148, 457, 160, 24, false}, {149, 158, 31, 32, true},
    {150, 12, 14, 32, false},   {151, 54, 18, 32, false},   {152, 12, 14, 32, false},
};

TEST(Resources, EveryBitmapHasItsSizeDepthAndPressedHalf) {
    const auto all = dv::EmbeddedResources();
    EXPECT_EQ(std::ranges::count(all, dv::ResourceKind::Bitmap, &dv::EmbeddedResource::kind),
              std::ssize(kTable));
    for (const auto& [id, width, height, bits, strip] : kTable) {
        const auto* r = dv::FindEmbeddedResource(dv::ResourceKind::Bitmap, id);
        ASSERT_NE(r, nullptr) << id;
        ASSERT_GT(r->size, kBmpBitCountOffset) << id;
        EXPECT_EQ(r->data[kBmpBitCountOffset], bits) << id;
        HBITMAP hbm = ::LoadBitmapW(nullptr, MAKEINTRESOURCEW(id));
        ASSERT_NE(hbm, nullptr) << id;
        const auto bmp = dv::testing::SnapshotBitmap(hbm);
        ::DeleteObject(hbm);
        EXPECT_EQ(std::pair(bmp.width, bmp.height), std::pair(width, height)) << id;
        if (strip && bmp.width == width) {
            const int half = bmp.width / 2;
            int differing = 0;
            for (int i = 0; i < half * bmp.height; ++i) {
                differing += bmp.At(i % half, i / half) != bmp.At(i % half + half, i / half);
            }
            EXPECT_GT(differing, half * bmp.height / 20) << id;
        }
    }
}

}  // namespace

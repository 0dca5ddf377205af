#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/Resources.h"
#include "platform/WinUser.h"
#include "platform/gdi/IconDecoder.h"
#include "platform/gdi/Icons.h"
#include "platform/testing/LogCapture.h"

namespace {

std::vector<uint8_t> AppIconBytes() {
    const auto* r = dv::FindEmbeddedResource(dv::ResourceKind::Icon, 128);
    return r == nullptr ? std::vector<uint8_t>{} : std::vector<uint8_t>(r->data, r->data + r->size);
}

void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

TEST(Icons, TheAppIconHas32And16PixelImagesWithTransparentCorners) {
    const auto bytes = AppIconBytes();
    ASSERT_FALSE(bytes.empty());
    const auto images = dv::gdi::DecodeIco(bytes);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].width, 32);
    EXPECT_EQ(images[0].height, 32);
    EXPECT_EQ(images[1].width, 16);
    for (const auto& image : images) {
        EXPECT_EQ(image.argb.front() >> 24, 0u);  // corner: masked out
        const uint32_t centre = image.argb[image.argb.size() / 2 + image.width / 2];
        EXPECT_EQ(centre >> 24, 0xFFu);
    }
    HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(128));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(128)), icon);
    ASSERT_NE(dv::gdi::IconImages(icon), nullptr);
    EXPECT_EQ(dv::gdi::IconImages(icon)->size(), 2u);
}

TEST(Icons, DamagedFilesYieldNoImagesAndNoBadReads) {
    const auto good = AppIconBytes();
    ASSERT_GT(good.size(), 100u);
    // Every truncation: entries that no longer fit are dropped.
    for (std::size_t n = 0; n < good.size(); n += 7) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        EXPECT_LE(dv::gdi::DecodeIco(cut).size(), 1u) << n;
    }
    auto offsetPastEnd = good;
    Put32(offsetPastEnd, 6 + 12, 0xFFFFFFF0u);
    EXPECT_EQ(dv::gdi::DecodeIco(offsetPastEnd).size(), 1u);
    auto hugeSize = good;
    Put32(hugeSize, 6 + 8, 0xFFFFFFFFu);
    EXPECT_EQ(dv::gdi::DecodeIco(hugeSize).size(), 1u);
    auto badDepth = good;
    const uint32_t first = good[18] | good[19] << 8 | good[20] << 16 | good[21] << 24;
    badDepth[first + 14] = 7;
    EXPECT_EQ(dv::gdi::DecodeIco(badDepth).size(), 1u);
    auto wide = good;
    Put32(wide, first + 4, 100000);
    EXPECT_EQ(dv::gdi::DecodeIco(wide).size(), 1u);
    auto notIcon = good;
    notIcon[2] = 2;  // a cursor file
    EXPECT_TRUE(dv::gdi::DecodeIco(notIcon).empty());
}

TEST(Icons, MissingIconIsNullAndLogged) {
    dv::testing::LogCapture log;
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(4242)), nullptr);
    EXPECT_EQ(LoadIconW(nullptr, L"APP"), nullptr);
    EXPECT_EQ(dv::gdi::IconImages(reinterpret_cast<HICON>(0x1234)), nullptr);
    EXPECT_TRUE(log.Contains("GDI: LoadIconW: no icon resource 4242\r\n"));
}

}  // namespace

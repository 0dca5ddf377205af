// The BMP decoder's own 24-bit path must give exactly what SDL's general
// conversion gives, for every bitmap the program carries.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "platform/Resources.h"
#include "platform/gdi/BitmapResources.h"

namespace {

TEST(BitmapDecode, EveryEmbeddedBitmapMatchesSdlsOwnConversion) {
    int checked = 0;
    for (const dv::EmbeddedResource& r : dv::EmbeddedResources()) {
        if (r.kind != dv::ResourceKind::Bitmap) {
            continue;
        }
        auto decoded = dv::gdi::DecodeBmp(r.data, r.size);
        ASSERT_NE(decoded, nullptr) << r.name;
        SDL_Surface* loaded =
            SDL_LoadBMP_RW(SDL_RWFromConstMem(r.data, static_cast<int>(r.size)), 1);
        ASSERT_NE(loaded, nullptr) << r.name;
        SDL_Surface* expected = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_XRGB8888, 0);
        SDL_FreeSurface(loaded);
        ASSERT_NE(expected, nullptr);
        ASSERT_EQ(decoded->width, expected->w);
        ASSERT_EQ(decoded->height, expected->h);
        int wrong = 0;
        for (int y = 0; y < expected->h; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(
                static_cast<const unsigned char*>(expected->pixels) + y * expected->pitch);
            for (int x = 0; x < expected->w; ++x) {
                wrong += (row[x] & 0x00FFFFFFu) != std::as_const(*decoded).Row(y)[x] ? 1 : 0;
            }
        }
        SDL_FreeSurface(expected);
        EXPECT_EQ(wrong, 0) << r.name;
        ++checked;
    }
    EXPECT_GE(checked, 20);
}

TEST(BitmapDecode, ScreenSizedBitmapsDecodeAgainAfterTheirLastUserLetsGo) {
    constexpr unsigned kMainBackground = 129;
    auto first = dv::gdi::DecodedBitmapResource(kMainBackground);
    ASSERT_NE(first, nullptr);
    const uint32_t corner = std::as_const(*first).Row(0)[0];
    EXPECT_EQ(dv::gdi::DecodedBitmapResource(kMainBackground), first);
    first.reset();
    auto again = dv::gdi::DecodedBitmapResource(kMainBackground);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(std::as_const(*again).Row(0)[0], corner);
}

}  // namespace

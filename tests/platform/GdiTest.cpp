// Drawing objects, block copies, the screen and the image decoders.
#include "Support.h"
#include "platform/Resources.h"
#include "platform/WinGdi.h"
#include "platform/WinUser.h"
#include "platform/afx/CDC.h"
#include "platform/afx/CFont.h"
#include "platform/gdi/Screen.h"
#include "platform/testing/GdiCounts.h"
#include "platform/testing/GdiSurfaces.h"

namespace dv::test {
namespace {

using namespace dv::testing;
using ::testing::Each;

constexpr UINT kScreenBitmap = 129, kAppIcon = 128;
constexpr LOGFONTW kTahoma{12, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma"};

constexpr auto Coordinates = [](int x, int y) { return uint32_t((x << 8) | y | 0x10000); };

struct Gdi : PlatformTest {
    GdiCounts start = LiveGdiObjects();
};

// Every copy against a model that copies each pixel inside both surfaces.
TEST_F(Gdi, BlockCopiesAreClippedAtEveryEdgeOfBothSurfaces) {
    const std::array<int, 6> cases[] = {{0, 0, 10, 8, 0, 0},
                                        {-3, -2, 10, 8, 0, 0},
                                        {15, 9, 10, 8, 0, 0},
                                        {2, 2, 10, 8, -4, -3},
                                        {2, 2, 10, 8, 6, 5},
                                        {0, 0, 10, 10, 40, 40},
                                        {5, 5, 0, 4, 0, 0},
                                        {5, 5, 4, -1, 0, 0},
                                        {2147483600, 0, 100, 5, 0, 0},
                                        {0, 0, 5, 5, -2147483600, 0},
                                        {1, 1, 2147483647, 2147483647, 0, 0}};
    GdiMemorySurface src(10, 8);
    PaintSurface(src.dc(), Coordinates);
    const PixelSnapshot from = SnapshotSurface(src.dc());
    for (const auto& [x, y, cx, cy, sx, sy] : cases) {
        GdiMemorySurface dst(20, 12);
        PaintSurface(dst.dc(), [](int, int) { return 0x123456u; });
        PixelSnapshot expected = SnapshotSurface(dst.dc());
        for (int64_t j = 0; j < std::min<int64_t>(cy, 64); ++j) {
            for (int64_t i = 0; i < std::min<int64_t>(cx, 64); ++i) {
                const int64_t dx = x + i, dy = y + j, fx = sx + i, fy = sy + j;
                if (std::min({dx, dy, fx, fy}) >= 0 && dx < 20 && dy < 12 && fx < 10 && fy < 8) {
                    expected.pixels[dy * 20 + dx] = from.At(int(fx), int(fy));
                }
            }
        }
        EXPECT_TRUE(BitBlt(dst.dc(), x, y, cx, cy, src.dc(), sx, sy, SRCCOPY));
        EXPECT_EQ(SnapshotSurface(dst.dc()), expected) << x << "," << y << " " << cx << "x" << cy;
    }
    for (int shift : {-3, 3}) {  // within one surface the original pixels are read
        GdiMemorySurface one(10, 8);
        PaintSurface(one.dc(), Coordinates);
        BitBlt(one.dc(), shift, shift, 10, 8, one.dc(), 0, 0, SRCCOPY);
        EXPECT_EQ(SnapshotSurface(one.dc()).At(4, 4), Coordinates(4 - shift, 4 - shift));
    }
    EXPECT_EQ(
        (std::vector{ErrorOf(BitBlt, nullptr, 0, 0, 1, 1, src.dc(), 0, 0, SRCCOPY),
                     ErrorOf(BitBlt, src.dc(), 0, 0, 1, 1, HDC(0x77), 0, 0, SRCCOPY),
                     ErrorOf(BitBlt, src.dc(), 0, 0, 1, 1, src.dc(), 0, 0, 0x00EE0086)}),
        (std::vector<DWORD>{ERROR_INVALID_HANDLE, ERROR_INVALID_HANDLE, ERROR_NOT_SUPPORTED}));
    EXPECT_EQ(SnapshotSurface(src.dc()), from);
}

TEST_F(Gdi, NoObjectIsFreedWhileInUseOrLeftBehindByARefusedCall) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SnapshotSurface(dc).width, 1);  // the one-pixel stock bitmap
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 30, 20);
    HFONT font = CreateFontIndirectW(&kTahoma);
    EXPECT_EQ(LiveGdiObjects(), (GdiCounts{start.dcs + 1, start.bitmaps + 1, start.fonts + 1}));
    HGDIOBJ stockBitmap = SelectObject(dc, bitmap), stockFont = SelectObject(dc, font);
    EXPECT_EQ(SelectObject(dc, bitmap), bitmap);
    EXPECT_EQ(SnapshotSurface(dc).pixels, std::vector<uint32_t>(600, 0));  // a new bitmap is black
    HDC other = CreateCompatibleDC(dc);
    EXPECT_THAT((std::vector{SelectObject(other, bitmap), SelectObject(other, HGDIOBJ(0x99)),
                             SelectObject(HDC(0x99), bitmap)}),
                Each(nullptr));
    EXPECT_THAT((std::vector{DeleteObject(bitmap), DeleteObject(font), DeleteObject(stockBitmap),
                             DeleteObject(stockFont)}),
                Each(FALSE));
    EXPECT_EQ(SelectObject(dc, stockFont), font);
    // The surface frees its bitmap with it.
    EXPECT_THAT((std::vector{DeleteObject(font), DeleteDC(dc), DeleteDC(other)}), Each(TRUE));
    const HDC bogus = reinterpret_cast<HDC>(0x55);
    EXPECT_THAT((std::vector{DeleteObject(bitmap), DeleteObject(bogus), DeleteObject(nullptr),
                             DeleteDC(dc)}),
                Each(FALSE));
    for (auto [cx, cy] : {std::pair{0, 10}, {10, -1}, {8193, 1}, {1, 8193}}) {
        EXPECT_EQ(ErrorOf(CreateCompatibleBitmap, nullptr, cx, cy), ERROR_INVALID_PARAMETER) << cx;
    }
    EXPECT_TRUE(DeleteObject(CreateCompatibleBitmap(nullptr, 8192, 1)));
    constexpr DWORD kNone = 1814, kBad = ERROR_INVALID_PARAMETER, kHandle = ERROR_INVALID_HANDLE;
    EXPECT_EQ(
        (std::vector{ErrorOf(LoadBitmapW, nullptr, MAKEINTRESOURCEW(999)),
                     ErrorOf(LoadBitmapW, nullptr, L"NOSUCHBITMAP"),
                     ErrorOf(LoadIconW, nullptr, MAKEINTRESOURCEW(4242)),
                     ErrorOf(LoadBitmapW, nullptr, nullptr), ErrorOf(LoadIconW, nullptr, L"APP"),
                     ErrorOf(CreateFontIndirectW, nullptr), ErrorOf(DeleteObject, bogus),
                     ErrorOf(CreateCompatibleBitmap, bogus, 4, 4),
                     ErrorOf(CreateCompatibleDC, bogus)}),
        (std::vector{kNone, kNone, kNone, kNone, kNone, kBad, kHandle, kHandle, kHandle}));
    EXPECT_EQ(std::tuple(GetPixel(bogus, 0, 0), SetTextColor(bogus, 0), SetBkColor(bogus, 0),
                         SetBkMode(bogus, OPAQUE)),
              std::tuple(CLR_INVALID, CLR_INVALID, CLR_INVALID, 0));
    EXPECT_THAT(IconPictures(reinterpret_cast<HICON>(0x1234)), ::testing::IsEmpty());
    EXPECT_FALSE(dv::gdi::SaveScreenPng(""));
    EXPECT_EQ(LiveGdiObjects(), start);
    for (const char* line :
         {"GDI: SelectObject: bitmap is selected into another surface",
          "DeleteObject: bitmap is selected into a surface",
          "DeleteObject: font is selected into a surface",
          "DeleteObject: stock objects cannot be deleted", "DeleteDC: unknown surface",
          "SetBkColor: unknown surface", "no LOGFONTW", "SetTextColor: unknown surface",
          "SelectObject: unknown object", "CreateCompatibleBitmap: size out of range: 0 x 10\r\n",
          "no bitmap name", "LoadBitmapW: no bitmap resource 999\r\n",
          "LoadIconW: no icon resource 4242\r\n", "icons are loaded by numeric id",
          "no file name"}) {
        EXPECT_TRUE(log.Contains(line)) << line;
    }
}

TEST_F(Gdi, LoadedBitmapsAreCopiesOfTheirOwn) {
    HBITMAP first = LoadBitmapW(nullptr, MAKEINTRESOURCEW(kScreenBitmap));
    HBITMAP second = LoadBitmapW(nullptr, L"#129");  // the same id by name
    EXPECT_EQ(LiveGdiObjects().bitmaps, start.bitmaps + 2);
    const PixelSnapshot a = SnapshotBitmap(first);
    {
        CDC memory;  // writing one copy leaves the other as it was
        ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
        HGDIOBJ old = memory.SelectObject(first);
        PaintSurface(memory.GetSafeHdc(), [](int, int) { return 0xABCDEFu; });
        memory.SelectObject(old);
        CFont font;
        ASSERT_EQ((std::vector{font.CreateFontIndirect(nullptr), font.CreateFontIndirect(&kTahoma),
                               font.CreateFontIndirect(&kTahoma)}),
                  (std::vector{FALSE, TRUE, FALSE}));  // no font, then one, then no second one
        CFont* oldFont = memory.SelectObject(&font);
        EXPECT_FALSE(font.DeleteObject());  // still selected: refused, handle kept
        memory.SelectObject(oldFont);
        EXPECT_TRUE(font.DeleteObject());
    }
    EXPECT_EQ(SnapshotBitmap(second), a);
    EXPECT_EQ(SnapshotBitmap(first).At(7, 7), 0xABCDEFu);
    EXPECT_THAT((std::vector{DeleteObject(first), DeleteObject(second)}), Each(TRUE));
    EXPECT_EQ(LiveGdiObjects(), start);
}

TEST_F(Gdi, ScreenSurfacesShareOnePictureWithTheDisplayOff) {
    HDC screen = GetDC(nullptr), other = GetDC(nullptr);
    GdiMemorySurface memory(480, 234);
    PaintSurface(memory.dc(), Coordinates);
    EXPECT_TRUE(BitBlt(screen, 0, 0, 480, 234, memory.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(other, 3, 4) + GetPixel(other, 0, 0), RGB(1, 3, 4) + RGB(1, 0, 0));
    EXPECT_EQ(SnapshotScreen(), SnapshotSurface(memory.dc()));
    EXPECT_THAT(
        (std::vector{GetPixel(screen, 480, 0), GetPixel(screen, -1, 0), GetPixel(screen, 0, 234)}),
        Each(CLR_INVALID));
    PaintSurface(memory.dc(), [](int, int) { return 0u; });
    EXPECT_NE(SnapshotScreen(), SnapshotSurface(memory.dc()));
    EXPECT_EQ(std::tuple(DeleteDC(screen), ReleaseDC(nullptr, memory.dc())), std::tuple(FALSE, 0));
    EXPECT_EQ(ReleaseDC(nullptr, screen) + ReleaseDC(nullptr, other), 2);
    EXPECT_TRUE(log.Contains("released, not deleted"));
    EXPECT_TRUE(log.Contains("ReleaseDC: not a screen"));
}

void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
}

// The bytes with the little-endian words given as offset, value, ... written over them.
std::vector<uint8_t> Le(std::vector<uint8_t> b, std::initializer_list<uint32_t> words) {
    for (auto it = words.begin(); it != words.end(); it += 2) {
        Put32(b, it[0], it[1]);
    }
    return b;
}

// A BMP of w x h at 24 or 32 bits, the depths of the unit's bitmaps.
std::vector<uint8_t> Bmp(uint32_t w, uint32_t h, uint32_t bits) {
    const uint32_t stride = (w * bits / 8 + 3) / 4 * 4, size = 54 + stride * h;
    auto b = Le(std::vector<uint8_t>(size),
                {0, 'B' | 'M' << 8u, 2, size, 10, 54, 14, 40, 18, w, 22, h, 26, 1, 28, bits});
    for (uint32_t y = 0; y < h; ++y) {      // bottom row first
        for (uint32_t x = 0; x < w; ++x) {  // blue, green, red
            const uint8_t pixel[] = {uint8_t(x), uint8_t(y), 0x80, 0x7F};
            std::copy_n(pixel, bits / 8, &b[54 + (h - 1 - y) * stride + x * bits / 8]);
        }
    }
    return b;
}

// An icon file whose count entries all name one image: width, doubled height, bits, colours
// used, header size, planes and compression as given, its palette and rows as they imply.
std::vector<uint8_t> Ico(std::array<int32_t, 7> f, uint32_t count = 1) {
    const auto [width, doubled, bits, colours, header, planes, compression] = f;
    const uint32_t palette = bits > 8 ? 0 : colours ? colours : 1u << bits;
    auto rows = [w = std::max(width, 0), h = std::max(doubled / 2, 0)](int32_t depth) {
        return (w * depth + 31) / 32 * 4 * h;
    };
    const uint32_t at = 6 + 16 * count, size = header + palette * 4 + rows(bits) + rows(1);
    auto b = Le(std::vector<uint8_t>(at + std::max(size, 40u)),
                {2, 1 | count << 16, at, uint32_t(header), at + 4, uint32_t(width), at + 8,
                 uint32_t(doubled), at + 12, uint32_t(planes | bits << 16), at + 16,
                 uint32_t(compression), at + 32, uint32_t(colours)});
    for (uint32_t n = 0; n < count; ++n) {
        Put32(b, 14 + 16 * n, size);
        Put32(b, 18 + 16 * n, at);
    }
    return b;
}

// A plain icon is read; each field out of its range refuses the image.
TEST_F(Gdi, IconFieldsOutOfRangeAreRefused) {
    // width, doubled height, bits, colours, header, planes, compression; entries; images read
    const std::tuple<std::array<int32_t, 7>, uint32_t, std::size_t> kIcons[] = {
        {{1, 2, 1, 0, 40, 1, 0}, 1, 1}, {{257, 2, 1, 0, 40, 1, 0}, 1, 0},
        {{1, 3, 1, 0, 40, 1, 0}, 1, 0}, {{0, 2, 1, 0, 40, 1, 0}, 1, 0},
        {{1, 2, 1, 0, 39, 1, 0}, 1, 0}, {{1, 2, 1, 0, 40, 2, 0}, 1, 0},
        {{1, 2, 1, 0, 40, 1, 1}, 1, 0}, {{1, 2, 1, 0, 40, 1, 0}, 65, 0},
    };
    for (const auto& [fields, entries, images] : kIcons) {
        EXPECT_EQ(DecodeIcoImages(Ico(fields, entries)).size(), images)
            << ::testing::PrintToString(fields) << " " << entries;
    }
    // An image one byte short of its mask is refused.
    EXPECT_THAT(DecodeIcoImages(Le(Ico({1, 2, 1, 0, 40, 1, 0}), {14, 55})), ::testing::IsEmpty());
}

TEST_F(Gdi, ImageFilesDecodeAtEveryDepthButDamagedOnesYieldNothing) {
    const auto* resource = dv::FindEmbeddedResource(dv::ResourceKind::Icon, kAppIcon);
    const std::vector<uint8_t> good(resource->data, resource->data + resource->size);
    const auto images = DecodeIcoImages(good);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(std::pair(images[0].width, images[1].width), std::pair(32, 16));
    for (const auto& image : images) {
        EXPECT_EQ(image.pixels.front() >> 24, 0u);
        EXPECT_EQ(image.At(image.width / 2, image.height / 2) >> 24, 0xFFu);
    }
    HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(kAppIcon));
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(kAppIcon)), icon);
    EXPECT_EQ(IconPictures(icon), images);
    for (std::size_t n = 0; n < good.size(); n += 7) {
        EXPECT_LE(DecodeIcoImages(std::vector(&good[0], &good[n])).size(), 1u) << n;
    }
    const uint32_t first = good[18] | good[19] << 8 | good[20] << 16 | good[21] << 24;
    // where, what, a byte or a word, the images still read
    const std::tuple<std::size_t, uint32_t, bool, std::size_t> damages[] = {
        {6 + 12, 0xFFFFFFF0u, false, 1},  // image offset past the end
        {6 + 8, 0xFFFFFFFFu, false, 1},   // image size past the end
        {first + 14, 7, true, 1},         // no such bit depth
        {first + 4, 100000, false, 1},    // absurd width
        {2, 2, true, 0},                  // a cursor file
        {4, 0, true, 0},                  // no images
    };
    for (const auto& [at, value, byte, count] : damages) {
        auto bad = good;
        byte ? void(bad[at] = static_cast<uint8_t>(value)) : Put32(bad, at, value);
        EXPECT_EQ(DecodeIcoImages(bad).size(), count) << at;
    }
    // Four-bit indices, high nibble first, into two colours: past them black; mask bits clear.
    const auto indexed = DecodeIcoImages(
        Le(Ico({4, 2, 4, 2, 40, 1, 0}), {62, 0x102030, 66, 0x405060, 70, 0x3210, 74, 0x20}));
    ASSERT_EQ(indexed.size(), 1u);
    EXPECT_EQ(indexed[0].pixels, (std::vector<uint32_t>{0xFF405060, 0xFF102030, 0, 0xFF000000}));
    for (uint32_t bits : {24u, 32u}) {  // bitmaps decode top row first
        const auto picture = DecodeBmpPicture(Bmp(3, 2, bits));
        ASSERT_TRUE(picture) << bits;
        EXPECT_EQ(std::tuple(picture->width, picture->height, picture->At(2, 1), picture->At(0, 0)),
                  std::tuple(3, 2, 0x800102u, 0x800000u));
    }
    const auto bmp = Bmp(3, 2, 24), huge = Le(bmp, {18, 100000});
    auto notBmp = bmp;
    notBmp[0] = 'X';
    for (std::span<const uint8_t> bad :
         {std::span(bmp.data(), 0), std::span(bmp.data(), 30), std::span(std::as_const(huge)),
          std::span(std::as_const(notBmp))}) {
        EXPECT_FALSE(DecodeBmpPicture(bad)) << bad.size();
    }
}

}  // namespace
}  // namespace dv::test

// DrawTextW: the smoothing, weight and width each font asks for, measured on
// what is drawn, and where the line lands, from relations that hold for any face.
#include <gmock/gmock.h>

#include <algorithm>
#include <climits>
#include <set>

#include "Support.h"
#include "platform/WinGdi.h"
#include "platform/testing/GdiSurfaces.h"
#include "platform/testing/LogCapture.h"

namespace {

using dv::testing::PixelSnapshot;

constexpr uint32_t kBlack = 0x000000;
constexpr UINT kLine = DT_SINGLELINE;
constexpr const wchar_t* kVersion = L"QX-9  V1.20  (2008.4.19)";

struct FontRequest {
    LONG height, weight;
    BYTE quality;
};
constexpr FontRequest kVersionFont{16, FW_BOLD, ANTIALIASED_QUALITY};
constexpr FontRequest kFmFont{12, FW_BOLD, DEFAULT_QUALITY};
constexpr int kFmCell = 12;
constexpr RECT kRect{20, 10, 140, 51};  // where the placement tests draw

struct Box {  // inclusive bounds of the pixels that differ from the background
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    bool Empty() const { return right < 0; }
    Box Moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    bool operator==(const Box&) const = default;
};

Box InkBox(const PixelSnapshot& s) {
    Box b;
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            if (s.At(x, y) != kBlack) {
                b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x),
                     std::max(b.bottom, y)};
            }
        }
    }
    return b;
}

// A new (black) memory surface with one Tahoma font selected and white transparent text.
struct TextSurface {
    TextSurface(int w, int h, FontRequest request) : m_surface(w, h) {
        const LOGFONTW lf{request.height,  0, 0,        0, request.weight, 0, 0, 0, 0, 0, 0,
                          request.quality, 0, L"Tahoma"};
        m_font = CreateFontIndirectW(&lf);
        m_old = SelectObject(dc(), m_font);
        SetBkMode(dc(), TRANSPARENT);
        SetTextColor(dc(), RGB(255, 255, 255));
    }
    ~TextSurface() {
        SelectObject(dc(), m_old);
        DeleteObject(m_font);
    }
    HDC dc() const { return m_surface.dc(); }
    int Draw(const wchar_t* text, RECT r, UINT f) { return DrawTextW(dc(), text, -1, &r, f); }
    PixelSnapshot Pixels() const { return dv::testing::SnapshotSurface(dc()); }

    dv::testing::GdiMemorySurface m_surface;
    HFONT m_font;
    HGDIOBJ m_old;
};

// Antialiased smooths in grey, the rest is monochrome as on the unit; widths are Tahoma's:
// what, the font, smoothed, least and most stem ink, the label's width.
const std::tuple<const char*, FontRequest, bool, double, double, int> kQualities[] = {
    {"calibration line", {14, FW_BOLD, ANTIALIASED_QUALITY}, true, 1.8, 3.0, 154},
    {"12 bold sharp", {12, FW_BOLD, NONANTIALIASED_QUALITY}, false, 2.0, 2.0, 133},
    {"12 regular", {12, FW_NORMAL, DEFAULT_QUALITY}, false, 1.0, 1.0, 107},
};
constexpr int kWidthTolerance = 8;

// Measured: the greys of the version label, the ink across the middle of an l, the label's width.
TEST(Fonts, EachFontRequestShowsInTheInkDrawn) {
    for (const auto& [text, request, smooth, minStem, maxStem, width] : kQualities) {
        SCOPED_TRACE(text);
        TextSurface stem(40, 40, request), label(240, 30, request);
        stem.Draw(L"l", {10, 0, 40, 40}, kLine | DT_VCENTER);
        const PixelSnapshot s = stem.Pixels();
        const Box box = InkBox(s);
        double ink = 0;
        for (int x = 0; x < s.width && !box.Empty(); ++x) {
            ink += (s.At(x, (box.top + box.bottom) / 2) >> 16) / 255.0;
        }
        EXPECT_THAT(ink, ::testing::AllOf(::testing::Ge(minStem), ::testing::Le(maxStem)));
        label.Draw(kVersion, {4, 0, 240, 30}, kLine | DT_VCENTER);
        const PixelSnapshot l = label.Pixels();
        dv::testing::PaintSurface(label.dc(), [](int, int) { return 0xFFFFFFu; });
        SetTextColor(label.dc(), kBlack);  // black on white: each grey is the other's complement
        label.Draw(kVersion, {4, 0, 240, 30}, kLine | DT_VCENTER);
        const auto complement = [](uint32_t a, uint32_t b) { return a + b == 0xFFFFFFu; };
        EXPECT_TRUE(std::ranges::equal(l.pixels, label.Pixels().pixels, complement));
        std::set<uint32_t> greys(l.pixels.begin(), l.pixels.end());
        std::erase_if(greys, [](uint32_t c) { return c == kBlack || c == 0xFFFFFF; });
        EXPECT_TRUE(smooth ? greys.size() > 16 : greys.empty()) << greys.size();
        const Box b = InkBox(l);
        EXPECT_NEAR(b.right - b.left + 1, width, kWidthTolerance);
        // Letters, not blocks: most of the ink's box stays background.
        EXPECT_LT(std::ranges::count_if(l.pixels, [](uint32_t c) { return c != kBlack; }),
                  (b.right - b.left + 1) * (b.bottom - b.top + 1) / 2);
    }
    // Hangul, which Tahoma lacks, comes from a fallback face.
    TextSurface hangul(120, 30, kVersionFont);
    hangul.Draw(L"음량 설정", {0, 0, 120, 30}, kLine | DT_VCENTER);
    EXPECT_GT(InkBox(hangul.Pixels()).right, 40);
}

TEST(DrawText, TextLandsWhereTheFlagsPlaceItOrNowhere) {
    constexpr int kSpare = kRect.bottom - kRect.top - kFmCell;
    // An opaque box shows the cell: at the bottom right it ends on the corner.
    auto ink = [](UINT format, RECT r = kRect, int mode = TRANSPARENT) {
        TextSurface t(170, 70, kFmFont);
        SetBkMode(t.dc(), mode);
        SetBkColor(t.dc(), RGB(0x20, 0x40, 0x60));
        EXPECT_EQ(t.Draw(L"108.0", r, format), kFmCell);
        return InkBox(t.Pixels());
    };
    const Box topLeft = ink(kLine);
    EXPECT_LE(topLeft.left - kRect.left, 2);
    // Digits start below the cell's top.
    EXPECT_THAT(topLeft.top - kRect.top, ::testing::AllOf(::testing::Ge(1), ::testing::Le(5)));
    const Box cell = ink(kLine | DT_RIGHT | DT_BOTTOM, kRect, OPAQUE);
    EXPECT_EQ(cell, (Box{cell.left, kRect.bottom - kFmCell, kRect.right - 1, kRect.bottom - 1}));
    const int slack = cell.left - kRect.left;  // rectangle width less text width
    EXPECT_EQ(ink(kLine, kRect, OPAQUE), cell.Moved(-slack, -kSpare));
    EXPECT_EQ(ink(kLine | DT_VCENTER), topLeft.Moved(0, kSpare / 2));
    EXPECT_EQ(ink(kLine | DT_CENTER | DT_VCENTER, {27, 13, 147, 54}),
              topLeft.Moved(7 + slack / 2, 3 + kSpare / 2));
    dv::testing::LogCapture log;
    TextSurface t(40, 20, kFmFont);
    RECT r{0, 0, 40, 20};
    EXPECT_THAT((std::vector{dv::test::ErrorOf(DrawTextW, t.dc(), nullptr, 3, &r, 0),
                             dv::test::ErrorOf(DrawTextW, t.dc(), L"abc", 3, nullptr, 0),
                             dv::test::ErrorOf(DrawTextW, t.dc(), L"abc", -2, &r, 0)}),
                ::testing::Each(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(dv::test::ErrorOf(DrawTextW, HDC(0x31), L"abc", 3, &r, 0), ERROR_INVALID_HANDLE);
    EXPECT_EQ(DrawTextW(t.dc(), L"abc", 0, &r, kLine), kFmCell);
    EXPECT_TRUE(InkBox(t.Pixels()).Empty());
    EXPECT_TRUE(log.Contains("GDI: DrawTextW: missing text or rectangle, or a bad length\r\n"));
    EXPECT_TRUE(log.Contains("GDI: DrawTextW: unknown surface"));
}

}  // namespace

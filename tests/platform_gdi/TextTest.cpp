#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <set>

#include "platform/WinGdi.h"
#include "platform/gdi/FontEngine.h"
#include "platform/gdi/FontResolver.h"
#include "platform/gdi/ObjectCounts.h"
#include "platform/testing/GdiSurfaces.h"
#include "platform/testing/LogCapture.h"

namespace {

using dv::testing::GdiMemorySurface;
using dv::testing::PixelSnapshot;
using dv::testing::SnapshotSurface;

constexpr uint32_t kBackground = 0x204060;
constexpr uint32_t kWhite = 0xFFFFFF;

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
    bool Empty() const { return right < 0; }
};

Box InkBox(const PixelSnapshot& s, uint32_t background = kBackground) {
    Box b;
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            if (s.At(x, y) != background) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
        }
    }
    return b;
}

// A surface with a font selected, white transparent text on a blue-grey
// background; the font goes when the fixture does.
class TextSurface {
public:
    TextSurface(int w, int h, LONG height, BYTE quality, LONG weight = FW_BOLD) : m_surface(w, h) {
        LOGFONTW lf{};
        lf.lfHeight = height;
        lf.lfWeight = weight;
        lf.lfQuality = quality;
        std::wcscpy(lf.lfFaceName, L"Tahoma");
        m_font = CreateFontIndirectW(&lf);
        m_old = SelectObject(dc(), m_font);
        SetBkMode(dc(), TRANSPARENT);
        SetTextColor(dc(), RGB(255, 255, 255));
        dv::testing::FillSurface(dc(), kBackground);
    }
    ~TextSurface() {
        SelectObject(dc(), m_old);
        DeleteObject(m_font);
    }
    HDC dc() const { return m_surface.dc(); }
    int Draw(const wchar_t* text, RECT r, UINT format) {
        return DrawTextW(dc(), text, -1, &r, format);
    }
    PixelSnapshot Pixels() const { return SnapshotSurface(dc()); }

private:
    GdiMemorySurface m_surface;
    HFONT m_font;
    HGDIOBJ m_old;
};

TEST(DrawText, CentresLeftAlignsAndRightAlignsInTheRectangle) {
    constexpr UINT kCentred = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
    {
        TextSurface t(160, 40, 12, NONANTIALIASED_QUALITY);
        EXPECT_EQ(t.Draw(L"108.0", {20, 0, 140, 40}, kCentred), 12);
        const Box ink = InkBox(t.Pixels());
        ASSERT_FALSE(ink.Empty());
        EXPECT_NEAR((ink.left + ink.right) / 2.0, 80.0, 2.0);
        EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 20.0, 3.0);
    }
    {
        TextSurface t(160, 40, 12, NONANTIALIASED_QUALITY);
        t.Draw(L"QX-9", {30, 5, 150, 35}, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        const Box ink = InkBox(t.Pixels());
        EXPECT_GE(ink.left, 30);
        EXPECT_LE(ink.left, 32);
    }
    {
        TextSurface t(160, 40, 12, NONANTIALIASED_QUALITY);
        t.Draw(L"QX-9", {0, 0, 120, 20}, DT_SINGLELINE | DT_RIGHT);
        const Box ink = InkBox(t.Pixels());
        EXPECT_LE(ink.right, 119);
        EXPECT_GE(ink.right, 116);
        EXPECT_LT(ink.bottom, 20);
    }
}

TEST(DrawText, ClipsToTheRectangleUnlessToldNotTo) {
    // The version label: a 16-pixel font in a 12-pixel-high rectangle.
    TextSurface clipped(300, 40, 16, ANTIALIASED_QUALITY);
    clipped.Draw(L"QX-9  V1.20  (2008.4.19)", {20, 10, 90, 22}, DT_SINGLELINE | DT_VCENTER);
    const Box in = InkBox(clipped.Pixels());
    ASSERT_FALSE(in.Empty());
    EXPECT_GE(in.left, 20);
    EXPECT_LE(in.right, 89);
    EXPECT_GE(in.top, 10);
    EXPECT_LE(in.bottom, 21);

    TextSurface unclipped(300, 40, 16, ANTIALIASED_QUALITY);
    unclipped.Draw(L"QX-9  V1.20  (2008.4.19)", {20, 10, 90, 22},
                   DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
    const Box out = InkBox(unclipped.Pixels());
    EXPECT_GT(out.right, 89);
    EXPECT_GT(out.bottom, 21);  // the parentheses reach below the rectangle
}

TEST(DrawText, TransparentDrawsOnlyGlyphsAndOpaqueFillsTheTextBox) {
    TextSurface transparent(100, 30, 12, NONANTIALIASED_QUALITY);
    transparent.Draw(L"87.5", {0, 0, 100, 30}, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    std::set<uint32_t> colours;
    for (uint32_t p : transparent.Pixels().pixels) {
        colours.insert(p);
    }
    EXPECT_EQ(colours, (std::set<uint32_t>{kBackground, kWhite}));

    TextSurface opaque(100, 30, 12, NONANTIALIASED_QUALITY);
    SetBkMode(opaque.dc(), OPAQUE);
    SetBkColor(opaque.dc(), RGB(0, 0, 0));
    opaque.Draw(L"87.5", {0, 0, 100, 30}, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    const PixelSnapshot p = opaque.Pixels();
    const Box box = InkBox(p);
    // The box is one cell high and as wide as the text, filled with black.
    EXPECT_EQ(box.bottom - box.top + 1, 12);
    EXPECT_EQ(p.At(box.left, box.top), 0u);
    EXPECT_EQ(p.At(0, 0), kBackground);
}

TEST(DrawText, AntialiasedFontsBlendAndOthersDoNot) {
    TextSurface smooth(120, 30, 16, ANTIALIASED_QUALITY);
    smooth.Draw(L"V1.20 설정", {0, 0, 120, 30}, DT_SINGLELINE | DT_VCENTER);
    std::set<uint32_t> blended;
    for (uint32_t p : smooth.Pixels().pixels) {
        blended.insert(p);
    }
    EXPECT_GT(blended.size(), 4u);

    for (BYTE quality : {DEFAULT_QUALITY, NONANTIALIASED_QUALITY}) {
        TextSurface sharp(120, 30, 16, quality);
        sharp.Draw(L"V1.20 설정", {0, 0, 120, 30}, DT_SINGLELINE | DT_VCENTER);
        std::set<uint32_t> colours;
        for (uint32_t p : sharp.Pixels().pixels) {
            colours.insert(p);
        }
        EXPECT_EQ(colours.size(), 2u) << "quality " << int(quality);
    }
}

TEST(DrawText, HangulIsDrawnWithAFallbackFace) {
    TextSurface t(120, 30, 12, NONANTIALIASED_QUALITY);
    t.Draw(L"음량 설정", {0, 0, 120, 30}, DT_SINGLELINE | DT_VCENTER);
    const Box ink = InkBox(t.Pixels());
    ASSERT_FALSE(ink.Empty());
    EXPECT_GT(ink.right - ink.left, 30);  // four glyphs, not empty boxes of nothing
}

TEST(DrawText, MultipleLinesStackByCellHeight) {
    TextSurface t(100, 60, 12, NONANTIALIASED_QUALITY);
    EXPECT_EQ(t.Draw(L"A\r\nB\nC", {0, 0, 100, 60}, DT_LEFT), 36);
    const Box ink = InkBox(t.Pixels());
    EXPECT_GT(ink.bottom, 24);
}

TEST(DrawText, BadArgumentsDrawNothing) {
    dv::testing::LogCapture log;
    TextSurface t(40, 20, 12, NONANTIALIASED_QUALITY);
    RECT r{0, 0, 40, 20};
    EXPECT_EQ(DrawTextW(t.dc(), nullptr, 3, &r, 0), 0);
    EXPECT_EQ(DrawTextW(t.dc(), L"abc", 3, nullptr, 0), 0);
    EXPECT_EQ(DrawTextW(t.dc(), L"abc", -7, &r, 0), 0);
    EXPECT_EQ(DrawTextW(reinterpret_cast<HDC>(0x31), L"abc", 3, &r, 0), 0);
    EXPECT_EQ(DrawTextW(t.dc(), L"abc", 0, &r, DT_SINGLELINE), 12);
    EXPECT_TRUE(InkBox(t.Pixels()).Empty());
    EXPECT_TRUE(log.Contains("GDI: DrawTextW: missing text or rectangle, or a bad length\r\n"));
    EXPECT_TRUE(log.Contains("GDI: DrawTextW: unknown surface"));
}

TEST(Fonts, TahomaResolvesToATahomaMetricFaceWhereInstalled) {
    const auto regular = dv::gdi::ResolveFace("Tahoma", false);
    const auto bold = dv::gdi::ResolveFace("Tahoma", true);
    ASSERT_TRUE(regular.has_value());
    ASSERT_TRUE(bold.has_value());
    if (std::filesystem::exists("/usr/share/wine/fonts/tahoma.ttf")) {
        EXPECT_EQ(regular->file, "/usr/share/wine/fonts/tahoma.ttf");
        EXPECT_EQ(bold->file, "/usr/share/wine/fonts/tahomabd.ttf");
        EXPECT_FALSE(bold->embolden);
    }
    const auto hangul = dv::gdi::ResolveFaceForChar("Tahoma", true, U'\uC124');
    ASSERT_TRUE(hangul.has_value());
    EXPECT_NE(hangul->file, bold->file);
}

TEST(Fonts, InstancesAreSharedPerFaceSizeWeightAndSmoothing) {
    auto a = dv::gdi::GetFontInstance({"Tahoma", 12, true, false});
    auto b = dv::gdi::GetFontInstance({"Tahoma", 12, true, false});
    auto c = dv::gdi::GetFontInstance({"Tahoma", 12, true, true});
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_EQ(a->CellHeight(), 12);
    EXPECT_GT(a->Ascent(), 6);
    EXPECT_LT(a->Ascent(), 12);
    EXPECT_EQ(&a->GlyphFor(U'8'), &a->GlyphFor(U'8'));
    auto em = dv::gdi::GetFontInstance({"Tahoma", -12, false, false});
    EXPECT_GT(em->CellHeight(), 12);  // a negative height is the em, smaller than the cell
}

}  // namespace

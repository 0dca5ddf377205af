// What the scenarios' pictures leave out: the text (placed, coloured, in the
// fonts asked for) and the image buttons' own rules; the fixture checks leaks.
#include <string>
#include <tuple>
#include <utility>

#include "platform/testing/GdiCounts.h"
#include "tests/system/SystemFixture.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

class ScreenTest : public SystemTest {};

// The bounds of the pixels of r that pass, and how many do.
template <typename Pass>
std::pair<RECT, int> Bounds(RECT r, Pass pass) {
    RECT box{r.right, r.bottom, r.left - 1, r.top - 1};
    int count = 0;
    for (LONG y = r.top; y < r.bottom; ++y) {
        for (LONG x = r.left; x < r.right; ++x) {
            if (pass(x, y)) {
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                       std::max(box.bottom, y)};
                ++count;
            }
        }
    }
    return {box, count};
}

// The label as the unit shows it: its version, white, in the version font
// over the page's background, one line centred on rows 141..153 from x 158.
dv::testing::PixelSnapshot VersionLabelAsShown(HDC hBackground, HFONT hFont) {
    const dv::testing::GdiMemorySurface surface(480, 234);
    BitBlt(surface.dc(), 0, 0, 480, 234, hBackground, 0, 0, SRCCOPY);
    SelectObject(surface.dc(), hFont);
    SetBkMode(surface.dc(), TRANSPARENT);
    SetTextColor(surface.dc(), RGB(255, 255, 255));
    RECT label{158, 141, 361, 153};
    DrawTextW(surface.dc(), L"QX-9  V1.20  (2008.4.19)", 24, &label, DT_SINGLELINE | DT_VCENTER);
    return dv::testing::SnapshotSurface(surface.dc());
}

TEST_F(ScreenTest, ScreenHoldsExactlyTheVersionLabel) {
    Start("page advanced");
    const HDC hBackground = Dlg().m_dcAdvanBg.GetSafeHdc();
    const auto background = dv::testing::SnapshotSurface(hBackground);
    ASSERT_EQ(std::pair(background.width, background.height), std::pair(480, 234));
    const auto screen = Screen();
    const auto label = VersionLabelAsShown(hBackground, Dlg().m_hVersionFont);
    constexpr RECT kAround{150, 135, 380, 160};
    const auto [text, changed] =
        Bounds(kAround, [&](LONG x, LONG y) { return screen.At(x, y) != background.At(x, y); });
    EXPECT_EQ(
        Bounds(kAround, [&](LONG x, LONG y) { return screen.At(x, y) != label.At(x, y); }).second,
        0);
    EXPECT_EQ(text.left, 158);
    const int whites =  // antialiased ink: strokes white, their edges blends
        Bounds(kAround, [&](LONG x, LONG y) {
            return screen.At(x, y) != background.At(x, y) && screen.At(x, y) == kWhite;
        }).second;
    EXPECT_GT(whites, 40);
    EXPECT_GT(changed - whites, 100);

    // An erase request and a timer of no one's paint nothing and answer 0; nor do a button's
    // images 1 and -1, which it does not have; its pressed image 0 is undone by the normal one.
    EXPECT_EQ(Dlg().SendMessage(WM_ERASEBKGND, 0, 0) | Dlg().SendMessage(WM_TIMER, 99, 0), 0);
    EXPECT_EQ(Screen(), screen);
    Dlg().m_btn[7].Draw(Dlg().m_pScreenDC, true, 1);
    Dlg().m_btn[7].Draw(Dlg().m_pScreenDC, true, -1);
    EXPECT_EQ(Screen(), screen);
    Dlg().m_btn[7].Draw(Dlg().m_pScreenDC, true, 0);
    Dlg().m_btn[7].Draw(Dlg().m_pScreenDC, false, 0);
    EXPECT_EQ(Screen(), screen);
}

TEST_F(ScreenTest, FmFrequencyIsCentredInItsBox) {
    Start("nFmtOn=5; page advanced");
    for (auto [mhz, tenths] : {std::pair{108, 0}, {87, 5}}) {
        Dlg().AdvanPageDAta.nFmtMhz = static_cast<SHORT>(mhz);
        Dlg().AdvanPageDAta.nFmtDecimal = static_cast<SHORT>(tenths);
        Run("repaint");
        const auto screen = Screen();
        auto white = [&](LONG x, LONG y) { return screen.At(x, y) == kWhite; };
        const RECT box = Bounds({359, 141, 413, 159}, white).first;
        EXPECT_NEAR((box.left + box.right) / 2.0, 386, 1.5) << mhz;
        EXPECT_NEAR((box.top + box.bottom) / 2.0, 150, 1.5) << mhz;
        EXPECT_GT(box.right - box.left, 15) << mhz;
    }
}

TEST_F(ScreenTest, IconAndFontsAreMadeAsAsked) {
    Start();
    HICON appIcon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(IDI_APP_ICON));
    ASSERT_NE(appIcon, nullptr);
    for (WPARAM size : {ICON_SMALL, ICON_BIG}) {
        EXPECT_EQ(Dlg().SendMessage(WM_GETICON, size, 0), reinterpret_cast<LRESULT>(appIcon));
    }
    HFONT plain = Dlg().MakeFont(L"Tahoma", 0x10C, false, false);  // only the low byte is a height
    using Want = std::tuple<LONG, LONG, BYTE, BYTE>;  // height, weight, char set, quality
    for (auto [handle, want] :
         {std::pair<HFONT, Want>{Dlg().m_fontScreen, {12, FW_BOLD, ANSI_CHARSET, DEFAULT_QUALITY}},
          {Dlg().m_hVersionFont, {16, FW_BOLD, DEFAULT_CHARSET, ANTIALIASED_QUALITY}},
          {plain, {12, FW_NORMAL, DEFAULT_CHARSET, NONANTIALIASED_QUALITY}}}) {
        const auto font = dv::testing::LogFontOf(handle);
        ASSERT_TRUE(font);
        EXPECT_EQ(std::wstring(font->lfFaceName), L"Tahoma");
        EXPECT_EQ(Want(font->lfHeight, font->lfWeight, font->lfCharSet, font->lfQuality), want);
        EXPECT_EQ(font->lfWidth + font->lfItalic + font->lfUnderline + font->lfStrikeOut, 0);
    }
    ::DeleteObject(plain);
    EXPECT_EQ(dv::testing::TextStateOf(Dlg().m_pScreenDC->GetSafeHdc()),
              dv::testing::TextState(Dlg().m_fontScreen, TRANSPARENT, RGB(255, 255, 255)));

    const std::wstring longest(31, L'a'), tooLong(32, L'b');
    for (LPCWSTR face : {longest.c_str(), tooLong.c_str(), static_cast<LPCWSTR>(nullptr)}) {
        Mark();
        HFONT font = Dlg().MakeFont(face, 16, true, true);
        ASSERT_NE(font, nullptr);
        const bool fits = face == longest.c_str();
        EXPECT_EQ(std::wstring(dv::testing::LogFontOf(font)->lfFaceName), fits ? longest : L"");
        EXPECT_EQ(Log(),
                  fits ? "" : "MakeFont: face name missing or longer than 31 characters\r\n");
        ::DeleteObject(font);
    }
}

TEST_F(ScreenTest, ImageButtonsFreeTheSurfacesTheyMade) {
    Start();
    const dv::testing::GdiCounts start = dv::testing::LiveGdiObjects();
    for (int extra : {0, 1, 2, 3, -1}) {
        Mark();
        const bool fits = extra >= 0 && extra <= 2;
        {
            CImageButton button;
            button.Create(Dlg().m_pScreenDC, 140, {0, 0, 79, 31}, extra, 141, 149);
            const int made = fits ? extra + 1 : 1;
            EXPECT_EQ(dv::testing::LiveGdiObjects().dcs - start.dcs, made) << extra;
            EXPECT_EQ(dv::testing::LiveGdiObjects().bitmaps - start.bitmaps, made) << extra;
        }
        EXPECT_EQ(dv::testing::LiveGdiObjects(), start) << extra;
        const std::string warning = "CImageButton: extra image count " + std::to_string(extra) +
                                    " out of range 0..2, using 0\r\n";
        EXPECT_EQ(Log(), fits ? "" : warning) << extra;
    }
}

}  // namespace

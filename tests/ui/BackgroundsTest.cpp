#include <gtest/gtest.h>

#include "platform/gdi/ObjectCounts.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ResourceIds.h"

namespace {

using uitest::Capture;
using uitest::CountChangesOutside;
using uitest::CountMismatches;
using uitest::PatternSurface;
using uitest::ResourceImage;

constexpr RECT kPanelRect = {11, 32, 468, 192};
constexpr RECT kPreviewRect = {216, 111, 405, 234};

LOGFONTW LogFontOf(HGDIOBJ hFont) {
    auto& table = dv::gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const dv::gdi::FontObject* font = table.FindFont(hFont);
    return font != nullptr ? font->logFont : LOGFONTW{};
}

using Backgrounds = uitest::DialogTest;

TEST_F(Backgrounds, EachPageIsTheMainBackgroundWithItsPanelOnTop) {
    const uitest::Image mainBg = ResourceImage(IDB_MAIN_BG);
    ASSERT_EQ(mainBg.width, 480);
    ASSERT_EQ(mainBg.height, 234);
    EXPECT_EQ(Capture(&Dlg().m_dcMainBg).pixels, mainBg.pixels);

    const struct {
        CDC* pPage;
        UINT nPanel;
    } pages[] = {{&Dlg().m_dcSoundBg, IDB_PANEL_SOUND},
                 {&Dlg().m_dcBasicBg, IDB_PANEL_BASIC},
                 {&Dlg().m_dcAdvanBg, IDB_PANEL_ADVAN}};
    for (const auto& page : pages) {
        SCOPED_TRACE("panel " + std::to_string(page.nPanel));
        const uitest::Image panel = ResourceImage(page.nPanel);
        ASSERT_EQ(panel.width, 457);
        ASSERT_EQ(panel.height, 160);
        const uitest::Image image = Capture(page.pPage);
        ASSERT_EQ(image.width, 480);
        ASSERT_EQ(image.height, 234);
        EXPECT_EQ(CountMismatches(image, kPanelRect, panel, {kPanelRect.left, kPanelRect.top}), 0);
        EXPECT_EQ(CountChangesOutside(mainBg, image, kPanelRect), 0);
    }
}

TEST_F(Backgrounds, PreviewShowsThePictureOfTheSelectedIconOnly) {
    const UINT previews[] = {IDB_PREVIEW_SOUND, IDB_PREVIEW_BASIC, IDB_PREVIEW_ADVAN,
                             IDB_PREVIEW_TOUCH};
    for (SHORT sel = 0; sel < 4; ++sel) {
        SCOPED_TRACE("selected icon " + std::to_string(sel));
        Dlg().m_nSelIcon = sel;
        PatternSurface target(Dlg().m_pScreenDC);
        const uitest::Image before = Capture(target.Get());
        Dlg().DrawMainPreview(target.Get());
        const uitest::Image after = Capture(target.Get());
        EXPECT_EQ(CountMismatches(after, kPreviewRect, ResourceImage(previews[sel]),
                                  {kPreviewRect.left, kPreviewRect.top}),
                  0);
        EXPECT_EQ(CountChangesOutside(before, after, kPreviewRect), 0);
    }
    for (SHORT sel : {SHORT{4}, SHORT{-1}, SHORT{300}}) {
        SCOPED_TRACE("selected icon " + std::to_string(sel));
        Dlg().m_nSelIcon = sel;
        PatternSurface target(Dlg().m_pScreenDC);
        const uitest::Image before = Capture(target.Get());
        const dv::gdi::ObjectCounts counts = dv::gdi::LiveObjectCounts();
        Dlg().DrawMainPreview(target.Get());
        EXPECT_EQ(Capture(target.Get()).pixels, before.pixels);
        EXPECT_EQ(dv::gdi::LiveObjectCounts(), counts);
    }
}

TEST_F(Backgrounds, ScreenSurfaceDrawsWhiteTransparentTextInTheTwelvePixelFace) {
    const LOGFONTW lf = LogFontOf(Dlg().m_fontScreen.GetSafeHandle());
    EXPECT_EQ(lf.lfHeight, 12);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(std::wstring(lf.lfFaceName), L"Tahoma");
    EXPECT_EQ(lf.lfCharSet, ANSI_CHARSET);
    EXPECT_EQ(lf.lfQuality, DEFAULT_QUALITY);

    auto& table = dv::gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const dv::gdi::DcObject* screen = table.FindDc(Dlg().m_pScreenDC->GetSafeHdc());
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->font, Dlg().m_fontScreen.GetSafeHandle());
    EXPECT_EQ(screen->bkMode, TRANSPARENT);
    EXPECT_EQ(screen->textColor, RGB(255, 255, 255));
}

TEST_F(Backgrounds, VersionFontIsBoldAntialiasedSixteenPixels) {
    ASSERT_NE(Dlg().m_hVersionFont, nullptr);
    const LOGFONTW lf = LogFontOf(Dlg().m_hVersionFont);
    EXPECT_EQ(lf.lfHeight, 16);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf.lfQuality, ANTIALIASED_QUALITY);
    EXPECT_EQ(std::wstring(lf.lfFaceName), L"Tahoma");
}

TEST_F(Backgrounds, MakeFontKeepsTheLowByteOfTheHeightAndOnlyFaceNamesThatFit) {
    HFONT hPlain = Dlg().MakeFont(L"Tahoma", 0x10C, false, false);
    LOGFONTW lf = LogFontOf(hPlain);
    EXPECT_EQ(lf.lfHeight, 12);
    EXPECT_EQ(lf.lfWeight, 400);
    EXPECT_EQ(lf.lfQuality, NONANTIALIASED_QUALITY);
    ::DeleteObject(hPlain);

    const std::wstring longest(31, L'a');
    HFONT hLongest = Dlg().MakeFont(longest.c_str(), 16, true, true);
    EXPECT_EQ(std::wstring(LogFontOf(hLongest).lfFaceName), longest);
    ::DeleteObject(hLongest);

    m_log.Clear();
    const std::wstring tooLong(32, L'b');
    for (LPCWSTR face : {tooLong.c_str(), static_cast<LPCWSTR>(nullptr)}) {
        HFONT hFont = Dlg().MakeFont(face, 16, true, true);
        ASSERT_NE(hFont, nullptr);
        EXPECT_EQ(LogFontOf(hFont).lfFaceName[0], L'\0');
        ::DeleteObject(hFont);
    }
    EXPECT_TRUE(m_log.Contains("MakeFont: face name missing or longer than 31 characters\r\n"));
}

}  // namespace

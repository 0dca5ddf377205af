#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/ui/UiTestSupport.h"
#include "ui/ResourceIds.h"

namespace {

using uitest::Capture;
using uitest::ChangedBounds;
using uitest::CountMismatches;
using uitest::Describe;
using uitest::Image;
using uitest::Inside;
using uitest::ResourceImage;

constexpr UINT kButtonBitmaps[IMAGE_BUTTON_COUNT] = {IDB_ICON_SOUND, IDB_ICON_BASIC, IDB_ICON_ADVAN,
                                                     IDB_ICON_TOUCH, IDB_BTN_CLOSE,  IDB_BTN_OK,
                                                     IDB_BTN_CANCEL, IDB_BTN_DEFAULT};
constexpr int kClose = 4;
constexpr int kOk = 5;
constexpr int kCancel = 6;
constexpr int kDefault = 7;
constexpr RECT kPreviewRect = {216, 111, 405, 234};
constexpr RECT kVersionRect = {158, 141, 361, 153};

// Stands in for the launcher's window and keeps what it is sent.
class LauncherStandIn : public CDialog {
public:
    LauncherStandIn() : CDialog(IDD_SETTINGS_DIALOG) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == UM_TOUCH_CAL || message == UM_SETTINGS_PAGE) {
            received.emplace_back(message, wParam);
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
    std::vector<std::pair<UINT, WPARAM>> received;
};

class PaintHandler : public uitest::DialogTest {
protected:
    void SetUp() override {
        uitest::DialogTest::SetUp();
        Dlg().AdvanPageDAta.nFmtOn = FMT_OFF;
    }

    Image Paint(SHORT page) {
        Dlg().m_nCurPage = page;
        Dlg().OnPaint();
        return Screen();
    }

    int ButtonMismatches(const Image& screen, int i, bool bPressed) {
        const RECT r = Dlg().m_btn[i].m_rect;
        const LONG w = r.right - r.left;
        return CountMismatches(screen, r, ResourceImage(kButtonBitmaps[i]),
                               {bPressed ? r.left - w : r.left, r.top});
    }

    int BackgroundMismatches(const Image& screen, RECT r, CDC* pBackground) {
        return CountMismatches(screen, r, Capture(pBackground));
    }
};

TEST_F(PaintHandler, MainMenuShowsTheSelectedIconPressedAndItsPreviewOnly) {
    const UINT previews[] = {IDB_PREVIEW_SOUND, IDB_PREVIEW_BASIC, IDB_PREVIEW_ADVAN,
                             IDB_PREVIEW_TOUCH};
    const Image mainBg = Capture(&Dlg().m_dcMainBg);
    for (SHORT sel = 0; sel < 4; ++sel) {
        SCOPED_TRACE("selected icon " + std::to_string(sel));
        Dlg().m_nSelIcon = sel;
        const Image screen = Paint(PAGE_MAIN);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(ButtonMismatches(screen, i, i == sel), 0) << "icon " << i;
        }
        EXPECT_EQ(ButtonMismatches(screen, kClose, false), 0);
        EXPECT_EQ(CountMismatches(screen, kPreviewRect, ResourceImage(previews[sel]),
                                  {kPreviewRect.left, kPreviewRect.top}),
                  0);
        // Everywhere else, OK, Cancel and Default included, the bare background.
        int stray = 0;
        for (int y = 0; y < 234; ++y) {
            for (int x = 0; x < 480; ++x) {
                bool drawn = Inside(kPreviewRect, x, y) || Inside(Dlg().m_btn[kClose].m_rect, x, y);
                for (int i = 0; i < 4; ++i) {
                    drawn = drawn || Inside(Dlg().m_btn[i].m_rect, x, y);
                }
                stray += (!drawn && screen.At(x, y) != mainBg.At(x, y)) ? 1 : 0;
            }
        }
        EXPECT_EQ(stray, 0);
    }
}

TEST_F(PaintHandler, PagesShowCloseAndOkWithDefaultOnlyOnTheAdvancedPage) {
    const struct {
        SHORT page;
        CDC* pBackground;
    } pages[] = {{PAGE_SOUND, &Dlg().m_dcSoundBg},
                 {PAGE_BASIC, &Dlg().m_dcBasicBg},
                 {PAGE_ADVAN, &Dlg().m_dcAdvanBg}};
    for (const auto& p : pages) {
        SCOPED_TRACE("page " + std::to_string(p.page));
        const Image screen = Paint(p.page);
        EXPECT_EQ(ButtonMismatches(screen, kClose, false), 0);
        EXPECT_EQ(ButtonMismatches(screen, kOk, false), 0);
        EXPECT_EQ(BackgroundMismatches(screen, Dlg().m_btn[kCancel].m_rect, p.pBackground), 0);
        if (p.page == PAGE_ADVAN) {
            EXPECT_EQ(ButtonMismatches(screen, kDefault, false), 0);
        } else {
            EXPECT_EQ(BackgroundMismatches(screen, Dlg().m_btn[kDefault].m_rect, p.pBackground), 0);
        }
        EXPECT_EQ(Dlg().m_nCurPage, p.page);
    }
}

TEST_F(PaintHandler, SoundPageKnobsStandAtTheWorkingSteps) {
    Dlg().SoundPageData = {10, 6, 0};
    const Image screen = Paint(PAGE_SOUND);
    const Image knob = ResourceImage(IDB_SLIDER_KNOB);
    // Steps 10, 6 and 0 put the knob's top at the column's top, 18 below it and 62 below it.
    const POINT knobs[] = {{106, 80}, {213, 98}, {320, 142}};
    for (const POINT& pt : knobs) {
        const RECT r = {pt.x, pt.y, pt.x + 18, std::min<LONG>(pt.y + 19, 160)};
        EXPECT_EQ(CountMismatches(screen, r, knob, pt), 0) << Describe(r);
    }
    EXPECT_EQ(Dlg().m_nLastKnobY[0], 80);
    EXPECT_EQ(Dlg().m_nLastKnobY[1], 108);
    EXPECT_EQ(Dlg().m_nLastKnobY[2], 152);
}

TEST_F(PaintHandler, BasicPageShowsItsChoicesAndResendsBothBarLevels) {
    Dlg().BasicPageData = {1, 300, 200, AUTOPOWER_ON};
    const Image screen = Paint(PAGE_BASIC);
    const Image mark = ResourceImage(IDB_OPTION_MARK);
    EXPECT_EQ(CountMismatches(screen, {246, 75, 261, 89}, mark, {246, 75}), 0);
    EXPECT_EQ(CountMismatches(screen, {246, 103, 261, 117}, mark, {246, 103}), 0);
    const Image knob = ResourceImage(IDB_BAR_KNOB);
    EXPECT_EQ(CountMismatches(screen, {300, 129, 319, 148}, knob, {300, 129}), 0);
    EXPECT_EQ(CountMismatches(screen, {200, 156, 219, 175}, knob, {200, 156}), 0);

    const std::string backlight = Journal("BAK1");
    const std::string contrast = Journal("IIC1");
    EXPECT_NE(backlight.find("ioctl 0x00002000 in "), std::string::npos);
    EXPECT_NE(contrast.find("ioctl 0x00000000 in 8a 74 "), std::string::npos);

    // With the drivers' memory of the last level gone, a repaint writes the
    // same levels again.
    ClearJournal("BAK1");
    ClearJournal("IIC1");
    Dlg().m_device.nLastBacklight = -1;
    Dlg().m_device.nLastContrast = -1;
    Paint(PAGE_BASIC);
    EXPECT_EQ(Journal("BAK1"), backlight);
    EXPECT_EQ(Journal("IIC1"), contrast);
    EXPECT_EQ(Dlg().BasicPageData.nBright, 300);
    EXPECT_EQ(Dlg().BasicPageData.nContrast, 200);
}

TEST_F(PaintHandler, VersionLabelIsWhiteTransparentAndLeftAligned) {
    const Image screen = Paint(PAGE_ADVAN);
    const Image advanBg = Capture(&Dlg().m_dcAdvanBg);
    // Between the option marks and the bottom buttons only the label differs
    // from the page background.
    Image band = advanBg;
    Image shown = advanBg;
    int changed = 0;
    for (int y = 136; y < 196; ++y) {
        for (int x = 0; x < 480; ++x) {
            const size_t i = static_cast<size_t>(y) * 480 + x;
            shown.pixels[i] = screen.pixels[i];
            changed += shown.pixels[i] != band.pixels[i] ? 1 : 0;
        }
    }
    const RECT text = ChangedBounds(band, shown);
    ASSERT_GT(changed, 0) << "no label drawn";
    EXPECT_GE(text.left, kVersionRect.left);
    EXPECT_LE(text.left, kVersionRect.left + 3) << Describe(text);
    EXPECT_LE(text.right, kVersionRect.right);
    EXPECT_GE(text.top, kVersionRect.top);
    EXPECT_LE(text.bottom, kVersionRect.bottom);
    // No opaque box: most of the label's rectangle still shows the background.
    const int area =
        (kVersionRect.right - kVersionRect.left) * (kVersionRect.bottom - kVersionRect.top);
    EXPECT_LT(changed, area / 2);
    uint32_t brightest = 0;
    for (int y = text.top; y < text.bottom; ++y) {
        for (int x = text.left; x < text.right; ++x) {
            brightest = std::max(brightest, screen.At(x, y));
        }
    }
    EXPECT_EQ(brightest, 0x00FFFFFFu);
}

TEST_F(PaintHandler, FmPanelAppearsOnlyWhileTheTransmitterIsOnAndIsNotDriven) {
    const Image advanBg = Capture(&Dlg().m_dcAdvanBg);
    const RECT rightOfLabel = {362, 141, 448, 159};
    EXPECT_EQ(CountMismatches(Paint(PAGE_ADVAN), rightOfLabel, advanBg), 0);

    Dlg().AdvanPageDAta.nFmtOn = FMT_ON;
    Dlg().AdvanPageDAta.nFmtMhz = 99;
    Dlg().AdvanPageDAta.nFmtDecimal = 9;
    const Image screen = Paint(PAGE_ADVAN);
    const Image left = ResourceImage(IDB_FM_ARROW_LEFT);
    const Image right = ResourceImage(IDB_FM_ARROW_RIGHT);
    EXPECT_EQ(CountMismatches(screen, {323, 143, 335, 157}, left, {323, 143}), 0);
    EXPECT_EQ(CountMismatches(screen, {437, 143, 448, 157}, right, {437, 143}), 0);
    EXPECT_GT(CountMismatches(screen, rightOfLabel, advanBg), 0);
    EXPECT_EQ(Dlg().AdvanPageDAta.nFmtMhz, 99);
    EXPECT_EQ(Dlg().AdvanPageDAta.nFmtDecimal, 9);
    EXPECT_EQ(Journal("FMT1"), "");
}

TEST_F(PaintHandler, TouchPagePassDrawsNothingTellsTheLauncherAndReturnsToTheMenu) {
    LauncherStandIn launcher;
    ASSERT_TRUE(launcher.Create(IDD_SETTINGS_DIALOG));
    Dlg().m_launcher.hLauncherWnd = launcher.GetSafeHwnd();

    Dlg().m_pScreenDC->BitBlt(0, 0, 480, 234, &Dlg().m_dcAdvanBg, 0, 0, SRCCOPY);
    const Image before = Screen();
    m_log.Clear();
    const Image after = Paint(PAGE_TOUCH);

    EXPECT_EQ(after.pixels, before.pixels);
    const std::string log = m_log.Text();
    const std::string paintLine = "++++++++++++++++++++++Dialvane OnPaint\r\n";
    const size_t paint = log.find(paintLine);
    ASSERT_NE(paint, std::string::npos);
    EXPECT_EQ(log.find("Send Power Touch Out\r\n"), paint + paintLine.size());
    ASSERT_EQ(launcher.received.size(), 1u);
    EXPECT_EQ(launcher.received[0].first, UM_TOUCH_CAL);
    EXPECT_EQ(launcher.received[0].second, 0u);
    EXPECT_EQ(Dlg().m_nCurPage, PAGE_MAIN);

    // The next pass draws the main menu.
    Dlg().OnPaint();
    EXPECT_EQ(ButtonMismatches(Screen(), kClose, false), 0);
    EXPECT_EQ(launcher.received.size(), 1u);
    Dlg().m_launcher.hLauncherWnd = nullptr;
    launcher.DestroyWindow();
}

}  // namespace

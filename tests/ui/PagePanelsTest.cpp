#include <gtest/gtest.h>

#include "tests/ui/UiTestSupport.h"
#include "ui/ResourceIds.h"

namespace {

using uitest::Capture;
using uitest::ChangedBounds;
using uitest::CountChangesOutside;
using uitest::CountMismatches;
using uitest::Describe;
using uitest::Image;
using uitest::PatternSurface;
using uitest::ResourceImage;

constexpr int kSliderColumns[] = {106, 213, 320};
constexpr RECT kBasicOptionsRect = {155, 75, 430, 120};
constexpr RECT kAdvanOptionsRect = {155, 75, 455, 135};
constexpr RECT kBrightRect = {156, 129, 424, 148};
constexpr RECT kContrastRect = {156, 156, 424, 175};
constexpr RECT kFmStripRect = {323, 141, 448, 159};
constexpr RECT kFmBoxRect = {359, 141, 413, 159};

RECT At(POINT pt, int w, int h) {
    return {pt.x, pt.y, pt.x + w, pt.y + h};
}

class PagePanels : public uitest::DialogTest {
protected:
    // Whether the option mark is drawn at pt (else the background shows there).
    void ExpectMark(const Image& image, CDC* pBackground, POINT pt, bool bMarked) {
        const RECT r = At(pt, 15, 14);
        if (bMarked) {
            EXPECT_EQ(CountMismatches(image, r, ResourceImage(IDB_OPTION_MARK), pt), 0)
                << "mark missing at " << Describe(r);
        } else {
            EXPECT_EQ(CountMismatches(image, r, Capture(pBackground)), 0)
                << "unexpected mark at " << Describe(r);
        }
    }

    void ExpectBarKnobAt(const Image& image, int nRowY, int nKnobX) {
        EXPECT_EQ(CountMismatches(image, At({nKnobX, nRowY}, 19, 19), ResourceImage(IDB_BAR_KNOB),
                                  {nKnobX, nRowY}),
                  0);
    }
};

TEST_F(PagePanels, SliderKnobStaysInItsColumnWithTheFillBelowIt) {
    const Image knob = ResourceImage(IDB_SLIDER_KNOB);
    const Image fill = ResourceImage(IDB_SLIDER_FILL);
    const Image soundBg = Capture(&Dlg().m_dcSoundBg);
    // Knob y as the pen or the volume table gives it, and the knob's top in the column.
    const struct {
        int y;
        int t;
    } cases[] = {{80, 0}, {87, 0}, {115, 25}, {152, 62}, {160, 62}, {-40, 0}, {900, 62}};
    for (int s = 0; s < 3; ++s) {
        for (const auto& c : cases) {
            SCOPED_TRACE("slider " + std::to_string(s) + " y " + std::to_string(c.y));
            const int x = kSliderColumns[s];
            PatternSurface target(Dlg().m_pScreenDC);
            const Image before = Capture(target.Get());
            Dlg().DrawVolumeSlider(target.Get(), c.y, s);
            const Image after = Capture(target.Get());

            EXPECT_EQ(Dlg().m_nLastKnobY[s], c.y);
            EXPECT_EQ(CountChangesOutside(before, after, {x, 80, x + 30, 160}), 0);
            const int knobTop = 80 + c.t;
            const RECT knobRect = {x, knobTop, x + 18, std::min(knobTop + 19, 160)};
            EXPECT_EQ(CountMismatches(after, knobRect, knob, {x, knobTop}), 0);
            EXPECT_EQ(CountMismatches(after, {x, 80, x + 30, knobTop}, soundBg), 0);
            EXPECT_EQ(CountMismatches(after, {x + 7, knobTop + 19, x + 11, 160}, fill,
                                      {x + 7, knobTop + 2}),
                      0);
        }
    }
}

TEST_F(PagePanels, SliderNumbersBeyondTwoUseTheThirdColumn) {
    PatternSurface target(Dlg().m_pScreenDC);
    const Image before = Capture(target.Get());
    Dlg().DrawVolumeSlider(target.Get(), 160, 7);
    EXPECT_EQ(Dlg().m_nLastKnobY[2], 160);
    EXPECT_EQ(CountChangesOutside(before, Capture(target.Get()), {320, 80, 350, 160}), 0);
}

TEST_F(PagePanels, BasicOptionMarksFollowTheWorkingChoices) {
    const POINT autoStart[] = {{155, 75}, {246, 75}, {348, 75}};
    const POINT autoPower[] = {{155, 103}, {246, 103}};
    for (SHORT start : {0, 1, 2, 3}) {
        for (SHORT power : {3, 4, 0}) {
            SCOPED_TRACE("auto start " + std::to_string(start) + " power " + std::to_string(power));
            Dlg().BasicPageData.nAutoStart = start;
            Dlg().BasicPageData.nAutoPowerOn = power;
            PatternSurface target(Dlg().m_pScreenDC);
            const Image before = Capture(target.Get());
            Dlg().DrawBasicOptions(target.Get());
            const Image after = Capture(target.Get());
            EXPECT_EQ(CountChangesOutside(before, after, kBasicOptionsRect), 0);
            for (int i = 0; i < 3; ++i) {
                ExpectMark(after, &Dlg().m_dcBasicBg, autoStart[i], i == start);
            }
            for (int i = 0; i < 2; ++i) {
                ExpectMark(after, &Dlg().m_dcBasicBg, autoPower[i], i + 3 == power);
            }
        }
    }
}

TEST_F(PagePanels, AdvancedOptionMarksFollowTheWorkingChoicesAndLogTheMute) {
    const POINT mute[] = {{155, 86}, {246, 86}};      // on (1), off (0)
    const POINT camera[] = {{155, 114}, {232, 114}};  // off (2), on (3)
    for (SHORT pikoMute : {1, 0, 2}) {
        for (SHORT rear : {2, 3, 0}) {
            SCOPED_TRACE("mute " + std::to_string(pikoMute) + " camera " + std::to_string(rear));
            Dlg().AdvanPageDAta.PiKoMute = pikoMute;
            Dlg().AdvanPageDAta.nRearCamera = rear;
            PatternSurface target(Dlg().m_pScreenDC);
            const Image before = Capture(target.Get());
            m_log.Clear();
            Dlg().DrawAdvanOptions(target.Get());
            const Image after = Capture(target.Get());
            EXPECT_EQ(CountChangesOutside(before, after, kAdvanOptionsRect), 0);
            ExpectMark(after, &Dlg().m_dcAdvanBg, mute[0], pikoMute == 1);
            ExpectMark(after, &Dlg().m_dcAdvanBg, mute[1], pikoMute == 0);
            ExpectMark(after, &Dlg().m_dcAdvanBg, camera[0], rear == 2);
            ExpectMark(after, &Dlg().m_dcAdvanBg, camera[1], rear == 3);

            std::string expected =
                "\r\n\r\nAdvanPageDAta.PiKoMute = " + std::to_string(pikoMute) + "\r\n";
            if (pikoMute == 1) {
                expected += "AdvanPageDAta PiKoMute PIKOMUTEON\r\n";
            } else if (pikoMute == 0) {
                expected += "AdvanPageDAta PiKoMute PIKOMUTEOFF\r\n";
            }
            EXPECT_EQ(m_log.Text(), expected);
        }
    }
}

TEST_F(PagePanels, BarKnobStopsAtTheRightEndAndStoresItsLastPlace) {
    const Image fill = ResourceImage(IDB_BAR_FILL);
    for (int x : {405, 406, 426}) {
        SCOPED_TRACE("x " + std::to_string(x));
        PatternSurface target(Dlg().m_pScreenDC);
        const Image before = Capture(target.Get());
        Dlg().DrawBar(target.Get(), x, BAR_BRIGHT);
        const Image after = Capture(target.Get());
        EXPECT_EQ(Dlg().BasicPageData.nBright, 405);
        EXPECT_EQ(CountChangesOutside(before, after, kBrightRect), 0);
        ExpectBarKnobAt(after, 129, 405);
        EXPECT_EQ(CountMismatches(after, {156, 137, 405, 140}, fill, {156, 137}), 0);
    }
    // Offset 249 is the backlight's full level.
    EXPECT_NE(Journal("BAK1").find("ioctl 0x00002000 in 64\n"), std::string::npos);
}

TEST_F(PagePanels, BarAtTheLeftEndHasNoFillAndSendsOffsetZero) {
    const Image basicBg = Capture(&Dlg().m_dcBasicBg);
    const struct {
        int id;
        int y;
        RECT rect;
    } bars[] = {{BAR_BRIGHT, 129, kBrightRect}, {BAR_CONTRAST, 156, kContrastRect}};
    for (const auto& bar : bars) {
        SCOPED_TRACE("bar " + std::to_string(bar.id));
        PatternSurface target(Dlg().m_pScreenDC);
        const Image before = Capture(target.Get());
        Dlg().DrawBar(target.Get(), 156, bar.id);
        const Image after = Capture(target.Get());
        EXPECT_EQ(CountChangesOutside(before, after, bar.rect), 0);
        ExpectBarKnobAt(after, bar.y, 156);
        EXPECT_EQ(CountMismatches(after, {175, bar.y, 424, bar.y + 19}, basicBg), 0);
    }
    EXPECT_EQ(Dlg().BasicPageData.nBright, 156);
    EXPECT_EQ(Dlg().BasicPageData.nContrast, 156);
    EXPECT_NE(Journal("BAK1").find("ioctl 0x00002000 in 21\n"), std::string::npos);
    EXPECT_NE(Journal("IIC1").find("ioctl 0x00000000 in 8a 74 30\n"), std::string::npos);
}

TEST_F(PagePanels, BarLeftOfItsTrackIsDrawnAndSentAtTheLeftEnd) {
    // Only a damaged settings record holds such a knob x.
    PatternSurface target(Dlg().m_pScreenDC);
    const Image before = Capture(target.Get());
    Dlg().DrawBar(target.Get(), 0, BAR_BRIGHT);
    const Image after = Capture(target.Get());
    EXPECT_EQ(CountChangesOutside(before, after, kBrightRect), 0);
    ExpectBarKnobAt(after, 129, 156);
    EXPECT_EQ(Dlg().BasicPageData.nBright, 156);
    EXPECT_TRUE(m_log.Contains("DrawBar: knob x 0 left of the bar, drawn at 156\r\n"));
    EXPECT_NE(Journal("BAK1").find("ioctl 0x00002000 in 21\n"), std::string::npos);
}

TEST_F(PagePanels, UnknownBarIdDrawsAndSendsNothing) {
    PatternSurface target(Dlg().m_pScreenDC);
    const Image before = Capture(target.Get());
    const SHORT bright = Dlg().BasicPageData.nBright;
    Dlg().DrawBar(target.Get(), 300, DRAG_NONE);
    EXPECT_EQ(Capture(target.Get()).pixels, before.pixels);
    EXPECT_EQ(Dlg().BasicPageData.nBright, bright);
    EXPECT_TRUE(m_log.Contains("DrawBar: unknown bar id 1011, nothing drawn\r\n"));
    EXPECT_EQ(Journal("BAK1"), "");
    EXPECT_EQ(Journal("IIC1"), "");
}

class FmPanel : public PagePanels {
protected:
    // Draws the panel on the screen and returns the bounds of its text: the
    // pixels of the strip that differ from the strip drawn without text.
    RECT DrawAndFindText(SHORT mhz, SHORT decimal) {
        Dlg().AdvanPageDAta.nFmtMhz = mhz;
        Dlg().AdvanPageDAta.nFmtDecimal = decimal;
        // Into another surface the strip goes alone: the text is always
        // written on the screen.
        PatternSurface elsewhere(Dlg().m_pScreenDC);
        Dlg().DrawFmPanel(elsewhere.Get(), 0, 1);
        const Image bareStrip = Capture(elsewhere.Get());

        Dlg().m_pScreenDC->BitBlt(0, 0, 480, 234, &Dlg().m_dcMainBg, 0, 0, SRCCOPY);
        const Image before = Screen();
        Dlg().DrawFmPanel(Dlg().m_pScreenDC, 0, 1);
        const Image after = Screen();
        EXPECT_EQ(CountChangesOutside(before, after, kFmStripRect), 0);
        Image bare = after;
        for (int y = kFmStripRect.top; y < kFmStripRect.bottom; ++y) {
            for (int x = kFmStripRect.left; x < kFmStripRect.right; ++x) {
                bare.pixels[static_cast<size_t>(y) * 480 + x] = bareStrip.At(x, y);
            }
        }
        const RECT text = ChangedBounds(bare, after);
        m_brightest = 0;
        for (int y = text.top; y < text.bottom; ++y) {
            for (int x = text.left; x < text.right; ++x) {
                m_brightest = std::max(m_brightest, after.At(x, y));
            }
        }
        return text;
    }

    uint32_t m_brightest = 0;
};

TEST_F(FmPanel, FrequencyTextIsWhiteAndCentredInTheBox) {
    for (auto [mhz, decimal] : {std::pair<SHORT, SHORT>{87, 5}, {108, 0}}) {
        SCOPED_TRACE(std::to_string(mhz) + "." + std::to_string(decimal));
        const RECT text = DrawAndFindText(mhz, decimal);
        ASSERT_LT(text.left, text.right) << "no text drawn";
        EXPECT_GE(text.left, kFmBoxRect.left);
        EXPECT_LE(text.right, kFmBoxRect.right);
        EXPECT_GE(text.top, kFmBoxRect.top);
        EXPECT_LE(text.bottom, kFmBoxRect.bottom);
        // Centred: the margins left and right of the text differ by a pixel or two.
        EXPECT_LE(std::abs((text.left - kFmBoxRect.left) - (kFmBoxRect.right - text.right)), 2)
            << Describe(text);
        EXPECT_LE(std::abs((text.top - kFmBoxRect.top) - (kFmBoxRect.bottom - text.bottom)), 3)
            << Describe(text);
        EXPECT_EQ(m_brightest, 0x00FFFFFFu);
        EXPECT_EQ(Dlg().AdvanPageDAta.nFmtMhz, mhz);
        EXPECT_EQ(Dlg().AdvanPageDAta.nFmtDecimal, decimal);
    }
    EXPECT_EQ(Journal("FMT1"), "");
}

TEST_F(FmPanel, StripShowsArrowsAndBoxOverTheAdvancedBackground) {
    DrawAndFindText(100, 3);
    const Image screen = Screen();
    const Image left = ResourceImage(IDB_FM_ARROW_LEFT);
    const Image right = ResourceImage(IDB_FM_ARROW_RIGHT);
    for (int x : {323, 342}) {
        EXPECT_EQ(CountMismatches(screen, At({x, 143}, 12, 14), left, {x, 143}), 0);
    }
    // The strip's right edge cuts the last column of the second right arrow.
    for (int x : {420, 437}) {
        const RECT r = {x, 143, std::min(x + 12, 448), 157};
        EXPECT_EQ(CountMismatches(screen, r, right, {x, 143}), 0);
    }
    // Between the pieces the advanced page's background shows.
    EXPECT_EQ(CountMismatches(screen, {335, 141, 342, 159}, Capture(&Dlg().m_dcAdvanBg)), 0);
}

TEST_F(FmPanel, SteppingWrapsAndDrivesTheTransmitterUnlessDisplayOnly) {
    Dlg().AdvanPageDAta.nFmtMhz = 108;
    Dlg().AdvanPageDAta.nFmtDecimal = 0;
    Dlg().DrawFmPanel(Dlg().m_pScreenDC, FM_STEP_UP, 0);
    EXPECT_EQ(Dlg().AdvanPageDAta.nFmtMhz, 87);
    EXPECT_EQ(Dlg().AdvanPageDAta.nFmtDecimal, 5);
    EXPECT_NE(Journal("FMT1").find("ioctl 0x00000002 in 00\nioctl 0x00000001 in 57 05\n"),
              std::string::npos);

    ClearJournal("FMT1");
    Dlg().DrawFmPanel(Dlg().m_pScreenDC, FM_STEP_DOWN, 1);
    EXPECT_EQ(Dlg().AdvanPageDAta.nFmtMhz, 108);
    EXPECT_EQ(Dlg().AdvanPageDAta.nFmtDecimal, 0);
    EXPECT_EQ(Journal("FMT1"), "");

    Dlg().DrawFmPanel(Dlg().m_pScreenDC, 7, 1);
    EXPECT_EQ(Dlg().AdvanPageDAta.nFmtMhz, 108);
    EXPECT_EQ(Dlg().AdvanPageDAta.nFmtDecimal, 0);
}

TEST_F(FmPanel, DamagedFrequencyStillDrawsInsideTheStrip) {
    Dlg().AdvanPageDAta.nFmtMhz = -32768;
    Dlg().AdvanPageDAta.nFmtDecimal = -32768;
    const Image before = Screen();
    Dlg().DrawFmPanel(Dlg().m_pScreenDC, 0, 1);
    EXPECT_EQ(CountChangesOutside(before, Screen(), kFmStripRect), 0);
}

}  // namespace

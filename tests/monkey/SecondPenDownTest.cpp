// A second pen down while a slider or bar is still held: the platform passes
// a down on without its up (a pen command, a lost touch), so the pen up that
// follows can find both a button and a slider or bar held. Whatever the
// button does, the value the slider or bar set is committed with its own page.
#include "tests/app/DialogFixture.h"

namespace {

using SecondPenDownTest = DialogTest;

constexpr POINT kOk = {50, 212};
constexpr POINT kClose = {435, 19};

TEST_F(SecondPenDownTest, SliderHeldWhenOkIsLiftedIsStoredBeforeTheMainMenu) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_SOUND);
    Down(225, 111);  // DMB slider, never lifted
    Down(kOk.x, kOk.y);
    ASSERT_EQ(dlg.m_nDragSlider, 1);
    ASSERT_EQ(dlg.m_nPressedBtn, 5);
    Up(kOk.x, kOk.y);
    EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN);
    // The release took the pen-up y, below the track: the lowest step.
    EXPECT_EQ(dlg.SoundPageData.nDmbVolume, 0);
    EXPECT_EQ(StoredFile().nDmbVolume, 0);
    EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_SOUND)});
}

TEST_F(SecondPenDownTest, BarMovedWhileOkIsHeldIsStoredWithTheBasicPage) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_BASIC);
    Down(200, 138);  // brightness bar, never lifted
    Down(kOk.x, kOk.y);
    Move(kOk.x + 10, kOk.y);  // still on OK; the bar follows to its left end
    ASSERT_EQ(dlg.BasicPageData.nBright, 156);
    Up(kOk.x + 10, kOk.y);
    EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN);
    EXPECT_EQ(StoredFile().nBright, 156);
}

TEST_F(SecondPenDownTest, BarHeldWhenCloseIsLiftedLeavesTheHardwareAtTheStoredLevel) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_BASIC);
    Down(200, 138);
    Down(kClose.x, kClose.y);      // commits the page with the bar at 200
    Move(kClose.x + 1, kClose.y);  // the bar follows to its right end: 405
    ClearRecords();
    Up(kClose.x + 1, kClose.y);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(StoredFile().nBright, 405);
    // Nothing is put back: what the backlight shows is what is stored.
    EXPECT_FALSE(m_log.Contains("Repare Bright Repare\r\n"));
    EXPECT_EQ(Journal("BAK1"), "");
}

}  // namespace

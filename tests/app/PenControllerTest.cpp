#include "tests/app/DialogFixture.h"

namespace {

using PenControllerTest = DialogTest;

TEST_F(PenControllerTest, PreviewTapsOpenTheSelectedPageOnlyInsideItsInclusiveZone) {
    CSettingsDlg& dlg = Open();
    for (POINT miss : {POINT{215, 150}, POINT{406, 150}}) {
        Tap(miss.x, miss.y);
        EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN) << miss.x;
        EXPECT_EQ(Clicks(), 0);
    }
    for (POINT hit : {POINT{216, 111}, POINT{405, 234}}) {
        ClearRecords();
        Tap(hit.x, hit.y);
        EXPECT_EQ(dlg.m_nCurPage, PAGE_SOUND) << hit.x;
        EXPECT_EQ(Clicks(), 1);
        EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_SOUND)});
        dlg.OnBtOk();
        Idle();
    }
}

TEST_F(PenControllerTest, StoredPageOutsideTheMenuMakesThePreviewCommitTheMainPage) {
    INIINFO info = kFactoryIniInfo;
    info.nPage = 7;
    WriteSettings(info);
    CSettingsDlg& dlg = Open();
    Tap(300, 170);
    EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN);
    EXPECT_EQ(StoredFile().nPage, PAGE_MAIN);
    EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_MAIN)});
}

TEST_F(PenControllerTest, IconSlidOffAndLiftedDoesNothingAndKeepsTheSelectedLook) {
    CSettingsDlg& dlg = Open();
    const RECT basicIcon = dlg.m_btn[1].m_rect;
    const RECT soundIcon = dlg.m_btn[0].m_rect;
    auto basicBefore = ScreenArea(basicIcon);
    auto soundBefore = ScreenArea(soundIcon);
    Down(110, 145);
    EXPECT_NE(ScreenArea(basicIcon), basicBefore) << "pressed look";
    Move(300, 60);
    Up(300, 60);
    EXPECT_EQ(ScreenArea(basicIcon), basicBefore) << "drawn normal again";
    EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN);
    EXPECT_TRUE(LauncherMessages().empty());
    // The selected icon (sound) is already drawn pressed and stays so.
    Down(44, 175);
    Move(300, 60);
    Up(300, 60);
    EXPECT_EQ(ScreenArea(soundIcon), soundBefore);
    EXPECT_EQ(dlg.m_nPressedBtn, BTN_NONE);
}

TEST_F(PenControllerTest, OkSlidOffAndBackDoesNothing) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_SOUND);
    Down(50, 212);
    Move(200, 20);
    Move(50, 212);
    Up(50, 212);
    EXPECT_EQ(dlg.m_nCurPage, PAGE_SOUND);
    EXPECT_FALSE(m_log.Contains("OnBtOk"));
}

TEST_F(PenControllerTest, CancelRectangleIsDeadOnEveryPage) {
    CSettingsDlg& dlg = Open();
    for (int page : {PAGE_SOUND, PAGE_ADVAN}) {
        OpenPage(page);
        Tap(130, 212);
        EXPECT_EQ(dlg.m_nCurPage, page);
        EXPECT_EQ(Clicks(), 0);
        EXPECT_TRUE(LauncherMessages().empty());
        dlg.OnBtOk();
        Idle();
    }
}

TEST_F(PenControllerTest, NavigationSliderClicksOnlyAfterTheVolumeChanged) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_SOUND);
    Down(106, 80);
    EXPECT_EQ(dlg.m_nDragSlider, 0);
    EXPECT_EQ(Clicks(), 0);
    Up(106, 80);
    EXPECT_EQ(dlg.SoundPageData.nNaviVolume, 10);
    EXPECT_EQ(StoredFile().nNaviVolume, 10);
    auto calls = m_audio.Calls();
    std::vector<std::string> recent(calls.begin() + static_cast<long>(m_audioCallsBefore),
                                    calls.end());
    ASSERT_GE(recent.size(), 2u);
    EXPECT_EQ(recent[0], "setvolume");
    EXPECT_EQ(recent[1], "open");
    EXPECT_EQ(m_audio.VolumesSet().back(), 0xFFFFFFFFu);
    EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_SOUND)});
}

TEST_F(PenControllerTest, OtherSlidersClickAtPressAndNeverSetTheVolume) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_SOUND);
    Down(233, 160);
    EXPECT_EQ(dlg.m_nDragSlider, 1);
    EXPECT_EQ(Clicks(), 1);
    Up(233, 160);
    EXPECT_EQ(Clicks(), 1);
    EXPECT_EQ(dlg.SoundPageData.nDmbVolume, 0);
    EXPECT_EQ(StoredFile().nDmbVolume, 0);
    EXPECT_TRUE(m_audio.VolumesSet().empty());
    for (POINT miss : {POINT{105, 100}, POINT{127, 100}, POINT{116, 161}}) {
        Down(miss.x, miss.y);
        EXPECT_EQ(dlg.m_nDragSlider, DRAG_NONE) << miss.x << "," << miss.y;
        Up(miss.x, miss.y);
    }
}

TEST_F(PenControllerTest, SliderDraggedAboveItsTrackRedrawsAtTheTopAndStoresThatStep) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_SOUND);
    Down(320, 150);
    Move(320, 40);
    EXPECT_EQ(dlg.m_nLastKnobY[2], 80);
    // A pen y of 40 differs from the recorded 80, so each move redraws.
    auto column = RECT{320, 80, 350, 160};
    auto top = ScreenArea(column);
    Move(330, 40);
    EXPECT_EQ(ScreenArea(column), top);
    Up(330, 40);
    EXPECT_EQ(dlg.SoundPageData.nAvInVolume, 10);
    EXPECT_EQ(StoredFile().nAvInVolume, 10);
}

TEST_F(PenControllerTest, UnchangedPenYDrawsNothing) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_SOUND);
    Down(116, 120);
    ASSERT_EQ(dlg.m_nLastKnobY[0], 120);
    // Scribble over the column; a move at the same y must leave it alone.
    CDC* screen = dlg.m_pScreenDC;
    screen->BitBlt(106, 80, 30, 80, &dlg.m_dcMainBg, 0, 0, SRCCOPY);
    auto scribbled = ScreenArea(RECT{106, 80, 136, 160});
    Move(125, 120);
    EXPECT_EQ(ScreenArea(RECT{106, 80, 136, 160}), scribbled);
    Move(125, 121);
    EXPECT_NE(ScreenArea(RECT{106, 80, 136, 160}), scribbled);
    Up(125, 121);
}

TEST_F(PenControllerTest, BarPressedPastItsEndStores405AndDraggedLeftStopsAt156) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_BASIC);
    Down(420, 165);
    EXPECT_EQ(dlg.m_nDragBar, BAR_CONTRAST);
    EXPECT_EQ(dlg.BasicPageData.nContrast, 405);
    Move(100, 20);
    EXPECT_EQ(dlg.BasicPageData.nContrast, 156);
    ClearRecords();
    Up(100, 20);
    EXPECT_EQ(StoredFile().nContrast, 156);
    EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_BASIC)});
}

TEST_F(PenControllerTest, EveryPenDownOnTheBasicPageCommitsAfterThePressedLook) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_BASIC);
    std::filesystem::remove(Root() / "FlashMem/sysini/conf.ini");
    Down(300, 40);  // empty space
    EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_BASIC)});
    EXPECT_TRUE(std::filesystem::exists(Root() / "FlashMem/sysini/conf.ini"));
    Up(300, 40);
    ClearRecords();
    auto okBefore = ScreenArea(dlg.m_btn[5].m_rect);
    Down(50, 212);  // OK: pressed, then committed
    EXPECT_NE(ScreenArea(dlg.m_btn[5].m_rect), okBefore);
    EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_BASIC)});
    EXPECT_EQ(Clicks(), 1);
    Up(50, 212);
    EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN);
}

TEST_F(PenControllerTest, AdvancedOptionsAcceptOnlyTheirRectanglesAndFmIsNeverAccepted) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_ADVAN);
    Tap(180, 150);  // FM off rectangle
    Tap(250, 150);  // FM on rectangle
    EXPECT_EQ(m_log.Text(), "point.x = 180, point.y = 150\r\npoint.x = 250, point.y = 150\r\n");
    EXPECT_TRUE(LauncherMessages().empty());
    EXPECT_EQ(Clicks(), 0);
    Tap(200, 90);  // navigation only
    EXPECT_TRUE(m_log.Contains("Advan Check Select i : 0\r\n"));
    EXPECT_EQ(dlg.AdvanPageDAta.PiKoMute, 1);
    Tap(260, 120);  // rear camera on
    EXPECT_TRUE(m_log.Contains("Advan Check Select i : 3\r\n"));
    EXPECT_EQ(StoredFile().PiKoMute, 1);
    EXPECT_EQ(StoredFile().nRearCamera, REARCAM_ON);
    Tap(180, 120);  // rear camera off
    EXPECT_EQ(StoredFile().nRearCamera, REARCAM_OFF);
}

TEST_F(PenControllerTest, CalibrationTellsTheLauncherInOrderAndReturnsToTheMenu) {
    CSettingsDlg& dlg = Open();
    Tap(230, 63);
    EXPECT_EQ(m_calibrations, 1);
    EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN);
    EXPECT_EQ(dlg.m_nSelIcon, PAGE_TOUCH);
    EXPECT_EQ(LauncherMessages(),
              (std::vector{TouchCal(1), SettingsPage(PAGE_TOUCH), TouchCal(0)}));
    EXPECT_TRUE(m_log.Contains("Send Power Touch Out\r\n"));
    EXPECT_EQ(StoredFile().nPage, PAGE_TOUCH);
    // The default calibration of a new root is exported as its bytes.
    auto cal = ReadBytes("FlashMem/sysini/touchcal.ini");
    EXPECT_FALSE(cal.empty());
    // The preview opens it again while the touch icon is selected.
    ClearRecords();
    Tap(300, 170);
    EXPECT_EQ(m_calibrations, 2);
    EXPECT_EQ(LauncherMessages(),
              (std::vector{TouchCal(1), SettingsPage(PAGE_TOUCH), TouchCal(0)}));
}

TEST_F(PenControllerTest, PenEventsOnTheTouchPageDoNothing) {
    CSettingsDlg& dlg = Open();
    dlg.m_nCurPage = PAGE_TOUCH;
    dlg.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 212));
    dlg.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(50, 212));
    EXPECT_EQ(Clicks(), 0);
    EXPECT_EQ(dlg.m_nPressedBtn, BTN_NONE);
    dlg.m_nCurPage = PAGE_MAIN;
}

TEST_F(PenControllerTest, SecondPressOfADoubleTapActsOnce) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_ADVAN);
    Tap(200, 90);
    Send(WM_LBUTTONDBLCLK, 200, 90);
    Up(200, 90);
    EXPECT_EQ(Clicks(), 1);
    EXPECT_EQ(LauncherMessages().size(), 1u);
    EXPECT_EQ(dlg.AdvanPageDAta.PiKoMute, 1);
}

TEST_F(PenControllerTest, CloseButtonEndsTheDialogAndTheRestOfThePenUpFindsNothing) {
    CSettingsDlg& dlg = Open();
    Tap(435, 19);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_nPressedBtn, BTN_NONE);
    EXPECT_EQ(dlg.m_nDragSlider, DRAG_NONE);
}

}  // namespace

#include "tests/app/DialogFixture.h"

namespace {

using LifecycleTest = DialogTest;

TEST_F(LifecycleTest, FirstStartLoadsFactoryValuesAndTouchesNoHardware) {
    m_dlg = std::make_unique<CSettingsDlg>();
    ASSERT_TRUE(m_dlg->Create(IDD_SETTINGS_DIALOG));
    Idle();
    CSettingsDlg& dlg = *m_dlg;
    EXPECT_TRUE(m_log.Contains("IniReadString Open Error!!\r\n"));
    EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN);
    EXPECT_EQ(dlg.m_nSelIcon, PAGE_SOUND);
    EXPECT_EQ(dlg.SoundPageData.nNaviVolume, 6);
    EXPECT_EQ(dlg.BasicPageData.nBright, 405);
    EXPECT_EQ(dlg.BasicPageData.nContrast, 295);
    EXPECT_EQ(dlg.AdvanPageDAta.nFmtMhz, 87);
    EXPECT_EQ(dlg.AdvanPageDAta.PiKoMute, 0);
    for (const char* device : {"BAK1", "IIC1", "FMT1", "FLS1", "WAV1"}) {
        EXPECT_EQ(Journal(device), "") << device;
    }
    EXPECT_TRUE(LauncherMessages().empty());
    EXPECT_TRUE(m_log.Contains("++++++++++++++++++++++Dialvane OnPaint\r\n"));
}

TEST_F(LifecycleTest, StoredPageSelectsItsIconButTheMainMenuShows) {
    INIINFO info = kFactoryIniInfo;
    info.nPage = PAGE_ADVAN;
    WriteSettings(info);
    CSettingsDlg& dlg = Open();
    EXPECT_EQ(dlg.m_nSelIcon, PAGE_ADVAN);
    EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN);
}

TEST_F(LifecycleTest, ConstructionSetsTheSentinelsAndOptionRectangles) {
    CSettingsDlg dlg;
    EXPECT_EQ(dlg.m_nPressedBtn, BTN_NONE);
    EXPECT_EQ(dlg.m_nDragSlider, DRAG_NONE);
    EXPECT_EQ(dlg.m_nDragBar, DRAG_NONE);
    EXPECT_EQ(dlg.m_nLastKnobY[0], -1);
    EXPECT_EQ(dlg.m_nLastKnobY[2], -1);
    EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN);
    EXPECT_EQ(dlg.m_device.nLastBacklight, -1);
    EXPECT_EQ(dlg.m_device.nLastContrast, -1);
    EXPECT_EQ(dlg.m_rcHit[0].left, 156);
    EXPECT_EQ(dlg.m_rcHit[6].right, 435);
    EXPECT_EQ(dlg.m_rcHit[10].bottom, 159);
    EXPECT_NE(dlg.m_launcher.hLauncherWnd, nullptr);
}

TEST_F(LifecycleTest, EnterKeyCodeIsRewrittenForEveryPreTranslatedMessage) {
    CSettingsDlg& dlg = Open();
    for (UINT message : {WM_KEYDOWN, WM_CHAR, WM_USER + 5}) {
        MSG msg{dlg.m_hWnd, message, 13, 0, 0, {0, 0}};
        dlg.PreTranslateMessage(&msg);
        EXPECT_EQ(msg.wParam, 210u);
    }
    MSG other{dlg.m_hWnd, WM_KEYDOWN, 14, 0, 0, {0, 0}};
    dlg.PreTranslateMessage(&other);
    EXPECT_EQ(other.wParam, 14u);
}

TEST_F(LifecycleTest, EraseBackgroundAnswersZero) {
    CSettingsDlg& dlg = Open();
    EXPECT_EQ(dlg.SendMessage(WM_ERASEBKGND, 0, 0), 0);
}

TEST_F(LifecycleTest, CloseMessageWhileABarIsHeldPutsTheHardwareBack) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_BASIC);
    Down(200, 138);
    Move(250, 138);
    ASSERT_EQ(dlg.m_nDragBar, BAR_BRIGHT);
    ASSERT_EQ(dlg.BasicPageData.nBright, 250);
    ClearRecords();
    dlg.SendMessage(UM_CLOSE_SETTINGS, 0, 0);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_TRUE(m_log.Contains("Repare Bright Repare\r\n"));
    // Stored 405 is position 249, level 100 (0x64).
    EXPECT_EQ(Journal("BAK1"), "open\nioctl 0x00002000 in 64\nclose\n");
}

TEST_F(LifecycleTest, DestructionFreesEverySurfaceBitmapAndFont) {
    auto before = dv::gdi::LiveObjectCounts();
    {
        CSettingsDlg& dlg = Open();
        OpenPage(PAGE_ADVAN);
        dlg.DestroyWindow();
        Idle();
        m_dlg.reset();
    }
    EXPECT_EQ(dv::gdi::LiveObjectCounts(), before);
}

TEST_F(LifecycleTest, DamagedRecordIsKeptAsReadAndNeverIndexesATableOutOfRange) {
    INIINFO info;
    const SHORT wild[] = {-5, 99, -1, 32767, 7, -300, 9999, 0, -2, 5, 300, -9, 2};
    std::memcpy(&info, wild, sizeof info);
    WriteSettings(info);
    CSettingsDlg& dlg = Open();
    EXPECT_EQ(dlg.m_nSelIcon, -5);
    EXPECT_EQ(dlg.SoundPageData.nNaviVolume, 99);
    // Every page painted from the wild values, then a commit and a restore.
    for (int page : {PAGE_SOUND, PAGE_BASIC, PAGE_ADVAN}) {
        dlg.m_nCurPage = static_cast<SHORT>(page);
        ::InvalidateRect(dlg.m_hWnd, nullptr, FALSE);
        Idle();
    }
    Tap(116, 120);
    dlg.m_IniInfo.nNaviVolume = -40;
    dlg.RestoreDevices();
    dlg.OnBtOk();
    Idle();
    EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN);
}

TEST_F(LifecycleTest, LauncherThatGoesAwayDuringTheRunIsNotWaitedFor) {
    CSettingsDlg& dlg = Open();
    ASSERT_NE(dlg.m_launcher.hLauncherWnd, nullptr);
    m_launcher.reset();
    Tap(110, 145);
    EXPECT_EQ(dlg.m_nCurPage, PAGE_BASIC);
    EXPECT_EQ(StoredFile().nPage, PAGE_BASIC);
    EXPECT_EQ(dlg.m_launcher.NotifyTouchCal(1), 0);
}

}  // namespace

#include "tests/app/DialogFixture.h"

namespace {

constexpr std::size_t kBootFlagOffset = 2112 + 90;

class CommitTest : public DialogTest {
protected:
    unsigned char BootFlag() const { return ReadBytes("dev/FLS1.img")[kBootFlagOffset]; }
};

TEST_F(CommitTest, OpeningAPageStoresItAndTellsTheLauncher) {
    CSettingsDlg& dlg = Open();
    Tap(110, 145);
    EXPECT_EQ(dlg.m_nCurPage, PAGE_BASIC);
    EXPECT_EQ(dlg.m_nSelIcon, PAGE_BASIC);
    EXPECT_EQ(StoredFile().nPage, PAGE_BASIC);
    EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_BASIC)});
    EXPECT_EQ(Journal("FLS1"), "") << "the boot record is only written when power-on changes";
}

TEST_F(CommitTest, SwitchingPowerOnOffWritesTheBootFlagOnce) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_BASIC);
    ASSERT_EQ(BootFlag(), 1);
    auto imageBefore = ReadBytes("dev/FLS1.img");
    Tap(180, 110);  // automatic power-on: off
    EXPECT_EQ(dlg.BasicPageData.nAutoPowerOn, AUTOPOWER_OFF);
    EXPECT_EQ(StoredFile().nAutoPowerOn, AUTOPOWER_OFF);
    EXPECT_TRUE(m_log.Contains("### Save Shared Boot Nand Memory ###\r\n"));
    EXPECT_EQ(BootFlag(), 0);
    EXPECT_EQ(Journal("FLS1"),
              "open\nseek 2112\nread 512\nclose\n"
              "open\nseek 2112\nioctl 0x00002040 in 42 00 00 00\nwrite 512\nclose\n");
    auto imageAfter = ReadBytes("dev/FLS1.img");
    imageBefore[kBootFlagOffset] = 0;
    EXPECT_EQ(imageAfter, imageBefore) << "only the flag byte may change";
    EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_BASIC)});

    ClearRecords();
    Tap(180, 110);  // the same option again
    EXPECT_FALSE(m_log.Contains("### Save Shared Boot Nand Memory ###"));
    EXPECT_EQ(Journal("FLS1"), "");
    EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_BASIC)});
}

TEST_F(CommitTest, DefaultPutsEveryPageBackAndFixesHardwareAndBootRecord) {
    INIINFO info = kFactoryIniInfo;
    info.nPage = PAGE_ADVAN;
    info.nBright = 300;
    info.nAutoPowerOn = AUTOPOWER_OFF;
    info.nFmtOn = FMT_ON;
    info.nFmtMhz = 99;
    info.nFmtDecimal = 1;
    WriteSettings(info);
    auto image = ReadBytes("dev/FLS1.img");
    image[kBootFlagOffset] = 0;
    WriteBytes("dev/FLS1.img", image);

    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_ADVAN);
    Tap(428, 212);  // Default
    EXPECT_EQ(dlg.m_nCurPage, PAGE_ADVAN);
    EXPECT_EQ(dlg.m_nSelIcon, PAGE_ADVAN);
    std::string log = m_log.Text();
    auto at = [&](const char* line) { return log.find(line); };
    ASSERT_NE(at("OnBtDefault\r\n"), std::string::npos);
    EXPECT_LT(at("OnBtDefault\r\n"), at("Repare Bright Repare\r\n"));
    EXPECT_LT(at("Repare Bright Repare\r\n"), at("Repare Fmt Repare\r\n"));
    EXPECT_LT(at("Repare Fmt Repare\r\n"),
              at("### OnBtDefault Save Shared Boot Nand Memory ###\r\n"));
    EXPECT_EQ(at("Repare Main Volume"), std::string::npos);
    EXPECT_EQ(at("Repare Contrast Repare"), std::string::npos);
    EXPECT_EQ(Journal("BAK1"), "open\nioctl 0x00002000 in 64\nclose\n");
    EXPECT_EQ(Journal("FMT1"), "open\nioctl 0x00000002 in 01\nclose\n");
    EXPECT_EQ(BootFlag(), 1);
    INIINFO expected = kFactoryIniInfo;
    INIINFO stored = StoredFile();
    EXPECT_EQ(std::memcmp(&stored, &expected, sizeof stored), 0);
    EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_SOUND)});
    EXPECT_EQ(dlg.BasicPageData.nBright, 405);
    EXPECT_EQ(dlg.AdvanPageDAta.nFmtOn, FMT_OFF);
}

TEST_F(CommitTest, DefaultOnFactoryValuesRestoresNothingButStillNotifies) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_ADVAN);
    Tap(428, 212);
    for (const char* line : {"Repare", "Boot Nand"}) {
        EXPECT_FALSE(m_log.Contains(line)) << line;
    }
    EXPECT_EQ(Journal("FLS1"), "");
    EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_SOUND)});
    EXPECT_EQ(StoredFile().nPage, 0);
    EXPECT_EQ(dlg.m_nCurPage, PAGE_ADVAN);
}

TEST_F(CommitTest, OkLeavesThePageWithoutSaving) {
    CSettingsDlg& dlg = Open();
    OpenPage(PAGE_SOUND);
    auto before = ReadBytes("FlashMem/sysini/conf.ini");
    std::filesystem::remove(Root() / "FlashMem/sysini/conf.ini");
    Tap(50, 212);
    EXPECT_TRUE(m_log.Contains("OnBtOk\r\n"));
    EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN);
    EXPECT_FALSE(std::filesystem::exists(Root() / "FlashMem/sysini/conf.ini"));
    EXPECT_TRUE(LauncherMessages().empty());
}

TEST_F(CommitTest, RestoreUsesTheStoredValuesWhereWorkingOnesDiffer) {
    CSettingsDlg& dlg = Open();
    dlg.m_IniInfo.nBright = 156;
    dlg.BasicPageData.nBright = 300;
    dlg.m_IniInfo.nFmtOn = FMT_ON;
    dlg.AdvanPageDAta.nFmtOn = FMT_OFF;
    dlg.AdvanPageDAta.nFmtMhz = 99;
    dlg.AdvanPageDAta.nFmtDecimal = 1;
    dlg.m_IniInfo.nNaviVolume = 2;
    dlg.SoundPageData.nNaviVolume = 6;
    dlg.RestoreDevices();
    EXPECT_EQ(m_log.Text(), "Repare Main Volume\r\nRepare Bright Repare\r\nRepare Fmt Repare\r\n");
    EXPECT_EQ(Journal("BAK1"), "open\nioctl 0x00002000 in 21\nclose\n");
    EXPECT_EQ(Journal("FMT1"), "open\nioctl 0x00000002 in 00\nioctl 0x00000001 in 63 01\nclose\n");
    EXPECT_EQ(m_audio.VolumesSet(), std::vector<DWORD>{0x7FFF7FFF});
    // A frequency change alone restores nothing.
    ClearRecords();
    dlg.m_IniInfo = kFactoryIniInfo;
    dlg.SoundPageData = {6, 6, 6};
    dlg.BasicPageData = {0, 405, 295, AUTOPOWER_ON};
    dlg.AdvanPageDAta = {REARCAM_ON, FMT_OFF, 100, 0, 0};
    dlg.RestoreDevices();
    EXPECT_EQ(m_log.Text(), "");
}

TEST_F(CommitTest, UnwritableSettingsFileStillNotifiesAndKeepsTheValuesInMemory) {
    CSettingsDlg& dlg = Open();
    std::filesystem::remove_all(Root() / "FlashMem/sysini");
    Tap(110, 145);
    EXPECT_TRUE(m_log.Contains("IniWriteString Open Error!!\r\n"));
    EXPECT_EQ(dlg.m_IniInfo.nPage, PAGE_BASIC);
    EXPECT_EQ(LauncherMessages(), std::vector{SettingsPage(PAGE_BASIC)});
}

TEST_F(CommitTest, WithoutALauncherEverythingRunsAndNothingIsSent) {
    m_launcher.reset();
    CSettingsDlg& dlg = Open();
    EXPECT_EQ(dlg.m_launcher.hLauncherWnd, nullptr);
    Tap(230, 63);  // touch icon: calibration
    Idle();
    OpenPage(PAGE_ADVAN);
    Tap(428, 212);
    EXPECT_EQ(dlg.m_nCurPage, PAGE_ADVAN);
    EXPECT_EQ(StoredFile().nPage, 0);
    EXPECT_EQ(dlg.m_launcher.NotifyTouchCal(1), 0);
    // A launcher that starts later is not looked up again.
    dv::testing::TestWindow late(L"Launcher_Tulvo");
    Tap(50, 212);
    OpenPage(PAGE_BASIC);
    EXPECT_TRUE(late.Messages().empty());
}

}  // namespace

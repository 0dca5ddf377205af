// The device rules behind the pages, as tables: pen y to volume step, bar
// position to backlight and contrast levels, the FM frequency's steps and
// wrap-around, and what the restore sends.
#include "tests/system/SystemFixture.h"

namespace {

class DeviceTest : public SystemTest {};

TEST_F(DeviceTest, PenUpYChoosesTheVolumeStepAndItsVolume) {
    struct Case {
        int y;
        int step;
        const char* volume;
    };
    const Case kCases[] = {
        {152, 0, "0x00000000"}, {200, 0, "0x00000000"}, {151, 1, "0x6fff6fff"},
        {144, 1, "0x6fff6fff"}, {143, 2, "0x7fff7fff"}, {136, 2, "0x7fff7fff"},
        {129, 3, "0x8fff8fff"}, {122, 4, "0x9fff9fff"}, {115, 5, "0xafffafff"},
        {114, 6, "0xbfffbfff"}, {102, 7, "0xcfffcfff"}, {101, 8, "0xdfffdfff"},
        {94, 8, "0xdfffdfff"},  {93, 9, "0xefffefff"},  {87, 9, "0xefffefff"},
        {86, 10, "0xffffffff"}, {0, 10, "0xffffffff"},  {-7, 10, "0xffffffff"},
    };
    Start("page sound");
    for (const Case& c : kCases) {
        Mark();
        Run("down 116 100; up 116 " + std::to_string(c.y));
        EXPECT_EQ(StoredRecord()->nNaviVolume, c.step) << "y " << c.y;
        EXPECT_EQ(Audio(), std::string("vol:") + c.volume + " click") << "y " << c.y;
    }
}

TEST_F(DeviceTest, StoredStepsOutsideTheTableAreBroughtIntoRange) {
    Start("nNaviVolume=99; nDmbVolume=-3; nAvInVolume=11");
    EXPECT_EQ(Dlg().m_device.GetVolumeStepY(99), 80);
    EXPECT_EQ(Dlg().m_device.GetVolumeStepY(-3), 152);
    EXPECT_EQ(Dlg().m_device.GetVolumeStepY(5), 115);
    Dlg().m_device.SetVolumeStep(-1);
    Dlg().m_device.SetVolumeStep(42);
    EXPECT_EQ(Audio(), "vol:0x00000000 vol:0xffffffff");
}

TEST_F(DeviceTest, BarPositionsBecomeBacklightLevelsAndContrastValues) {
    struct Case {
        int position;
        const char* level;
        const char* contrast;
    };
    const Case kCases[] = {{0, "21", "30"},   {1, "21", "31"},   {2, "22", "31"},
                           {5, "22", "33"},   {6, "23", "33"},   {124, "42", "78"},
                           {139, "46", "80"}, {248, "63", "bf"}, {249, "64", "c0"}};
    Start();
    for (const Case& c : kCases) {
        Mark();
        Dlg().m_device.nLastBacklight = Dlg().m_device.nLastContrast = -1;
        Dlg().m_device.SetBacklight(c.position);
        Dlg().m_device.SetContrast(c.position);
        EXPECT_EQ(Journal("BAK1"), std::string("open|ioctl 0x00002000 in ") + c.level + "|close")
            << c.position;
        const std::string v = c.contrast;
        EXPECT_EQ(Journal("IIC1"), "open|ioctl 0x00000000 in 8a 70 20|ioctl 0x00000000 in 8a 74 " +
                                       v + "|ioctl 0x00000000 in 8a 75 " + v +
                                       "|ioctl 0x00000000 in 8a 76 " + v + "|close")
            << c.position;
    }
    Mark();
    Dlg().m_device.SetBacklight(249);
    Dlg().m_device.SetContrast(249);
    EXPECT_EQ(Journal("BAK1"), "open|close");
    EXPECT_EQ(Journal("IIC1"), "open|close");
    EXPECT_NE(Log().find("ConTrast : 0Xc0 \r\n"), std::string::npos);
}

TEST_F(DeviceTest, FailedControlCallsStillUpdateTheCaches) {
    Start("switch BAK1.fail-ioctl; switch IIC1.fail-ioctl");
    Dlg().m_device.SetBacklight(10);
    Dlg().m_device.SetContrast(10);
    EXPECT_EQ(Journal("BAK1"), "open|ioctl 0x00002000 in 24|close");
    EXPECT_FALSE(Exists("dev/BAK1.state"));
    Mark();
    Dlg().m_device.SetBacklight(10);
    Dlg().m_device.SetContrast(10);
    EXPECT_EQ(Journal("BAK1"), "open|close");
    EXPECT_EQ(Journal("IIC1"), "open|close");
}

TEST_F(DeviceTest, FmRepeatTimerStepsTheFrequencyAndWraps) {
    struct Case {
        int mhz;
        int tenths;
        int direction;
        const char* sent;  // MHz and tenths as sent to the transmitter
    };
    const Case kCases[] = {
        {108, 0, FM_STEP_UP, "57 05"},
        {100, 0, FM_STEP_UP, "64 01"},
        {99, 9, FM_STEP_UP, "64 00"},
        {107, 9, FM_STEP_UP, "6c 00"},
        {87, 5, FM_STEP_DOWN, "6c 00"},
        {100, 0, FM_STEP_DOWN, "63 09"},
        {100, 3, FM_STEP_DOWN, "64 02"},
        {88, 5, FM_STEP_DOWN, "58 04"},
        {100, 3, 3, "64 03"},
    };
    for (const Case& c : kCases) {
        Start("nFmtOn=5; nFmtMhz=" + std::to_string(c.mhz) +
              "; nFmtDecimal=" + std::to_string(c.tenths));
        Dlg().m_nFmDirection = c.direction;
        Run("timer 32769");
        EXPECT_EQ(Journal("FMT1"), std::string("open|ioctl 0x00000002 in 00|ioctl 0x00000001 in ") +
                                       c.sent + "|close")
            << c.mhz << "." << c.tenths << " direction " << c.direction;
        // Stepping changes only the working copy.
        EXPECT_EQ(StoredRecord()->nFmtMhz, c.mhz);
        TearDown();
        SetUp();
    }
}

TEST_F(DeviceTest, RestoreSwitchesTheTransmitterOnAtTheWorkingFrequency) {
    Start("nFmtOn=5");
    Dlg().AdvanPageDAta.nFmtOn = FMT_OFF;
    Dlg().AdvanPageDAta.nFmtMhz = 99;
    Dlg().AdvanPageDAta.nFmtDecimal = 1;
    Run("close");
    EXPECT_EQ(Journal("FMT1"), "open|ioctl 0x00000002 in 00|ioctl 0x00000001 in 63 01|close");
    EXPECT_NE(Log().find("Repare Fmt Repare\r\n"), std::string::npos);
}

TEST_F(DeviceTest, MissingTransmitterIsLogged) {
    Start("nFmtOn=5; absent FMT1");
    Run("timer 32769");
    EXPECT_NE(Log().find("Cannot open Fmt \r\n"), std::string::npos);
}

TEST_F(DeviceTest, PenUpStopsTheFmRepeatTimer) {
    Start("nFmtOn=5");
    Dlg().SetTimer(IDT_FM_REPEAT, 1, nullptr);
    Dlg().m_bFmRepeat = 1;
    Run("up 10 10");
    EXPECT_EQ(Dlg().m_bFmRepeat, 0);
    Mark();
    dv::testing::PumpMessagesUntil([] { return false; }, 60);
    EXPECT_EQ(Journal("FMT1"), "");
}

}  // namespace

// Every option's touch area takes its top and left edges and stops one short
// of its right and bottom ones; the FM transmitter's two never take a tap.
TEST_F(DeviceTest, OptionTouchAreasEndOneShortOfTheirRightAndBottomEdges) {
    struct Case {
        RECT rect;
        const char* page;
        SHORT INIINFO::*field;
        SHORT value;
        SHORT other;
    };
    const Case kCases[] = {
        {{156, 75, 225, 90}, "basic", &INIINFO::nAutoStart, 0, 1},
        {{246, 75, 327, 90}, "basic", &INIINFO::nAutoStart, 1, 2},
        {{349, 75, 415, 90}, "basic", &INIINFO::nAutoStart, 2, 0},
        {{156, 103, 225, 118}, "basic", &INIINFO::nAutoPowerOn, AUTOPOWER_OFF, AUTOPOWER_ON},
        {{246, 103, 300, 118}, "basic", &INIINFO::nAutoPowerOn, AUTOPOWER_ON, AUTOPOWER_OFF},
        {{154, 83, 242, 102}, "advanced", &INIINFO::PiKoMute, PIKOMUTE_ON, PIKOMUTE_OFF},
        {{250, 83, 435, 102}, "advanced", &INIINFO::PiKoMute, PIKOMUTE_OFF, PIKOMUTE_ON},
        {{156, 113, 220, 131}, "advanced", &INIINFO::nRearCamera, REARCAM_OFF, REARCAM_ON},
        {{232, 113, 290, 131}, "advanced", &INIINFO::nRearCamera, REARCAM_ON, REARCAM_OFF},
    };
    for (const Case& c : kCases) {
        const RECT& r = c.rect;
        const std::pair<POINT, bool> kTaps[] = {
            {{r.left, r.top}, true},      {{r.right - 1, r.bottom - 1}, true},
            {{r.left - 1, r.top}, false}, {{r.left, r.top - 1}, false},
            {{r.right, r.top}, false},    {{r.left, r.bottom}, false},
        };
        for (auto [pt, takes] : kTaps) {
            INIINFO start = kFactoryIniInfo;
            start.*c.field = c.other;
            Start(std::string("nAutoStart=") + std::to_string(start.nAutoStart) +
                  "; nAutoPowerOn=" + std::to_string(start.nAutoPowerOn) +
                  "; PiKoMute=" + std::to_string(start.PiKoMute) +
                  "; nRearCamera=" + std::to_string(start.nRearCamera) + "; page " + c.page);
            Run("tap " + std::to_string(pt.x) + " " + std::to_string(pt.y));
            EXPECT_EQ((*StoredRecord()).*c.field, takes ? c.value : c.other)
                << c.page << " " << pt.x << "," << pt.y;
            TearDown();
            SetUp();
        }
    }
    Start("nFmtOn=5; page advanced");
    Run("tap 156 144; tap 232 144; tap 289 158");
    EXPECT_EQ(StoredRecord()->nFmtOn, FMT_ON);
    EXPECT_EQ(Launcher(), "");
}

TEST_F(DeviceTest, SettingsWritesReportWhetherTheFileWasWritten) {
    Start();
    INIINFO record = kFactoryIniInfo;
    record.nBright = 300;
    EXPECT_EQ(Dlg().m_launcher.IniWriteString(&record, kSettingsFilePath), 1);
    EXPECT_EQ(StoredRecord()->nBright, 300);
    EXPECT_EQ(Dlg().m_launcher.IniSetDefault(&record), 1);
    EXPECT_EQ(StoredRecord()->nBright, kFactoryIniInfo.nBright);
    Mark();
    EXPECT_EQ(Dlg().m_launcher.IniWriteString(&record, L"\\FlashMem\\sysini"), 0);
    EXPECT_EQ(Log(), "IniWriteString Open Error!!\r\n");
}

// The device rules behind the pages, as tables: volume steps, bar levels, FM steps and
// wrap-around, option touch areas' edges; what the restore and settings writes do.
#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/system/SystemFixture.h"

namespace {

class DeviceTest : public SystemTest {};

TEST_F(DeviceTest, PenUpYChoosesTheVolumeStep) {
    // The pen-up's y, the step stored and the volume set.
    const std::tuple<int, int, const char*> kCases[] = {
        {152, 0, "0x00000000"}, {151, 1, "0x6fff6fff"}, {144, 1, "0x6fff6fff"},
        {143, 2, "0x7fff7fff"}, {136, 2, "0x7fff7fff"}, {129, 3, "0x8fff8fff"},
        {122, 4, "0x9fff9fff"}, {115, 5, "0xafffafff"}, {114, 6, "0xbfffbfff"},
        {102, 7, "0xcfffcfff"}, {101, 8, "0xdfffdfff"}, {94, 8, "0xdfffdfff"},
        {93, 9, "0xefffefff"},  {87, 9, "0xefffefff"},  {86, 10, "0xffffffff"},
    };
    Start("page sound");
    for (const auto& [y, step, volume] : kCases) {
        Mark();
        Run("down 116 100; up 116 " + std::to_string(y));
        EXPECT_EQ(StoredRecord()->nNaviVolume, step) << "y " << y;
        EXPECT_EQ(Audio(), std::string("vol:") + volume + " click") << "y " << y;
    }
    // Steps from a damaged record are brought into the table's range.
    const auto stepY = [&](int step) { return Dlg().m_device.GetVolumeStepY(step); };
    EXPECT_EQ(std::tuple(stepY(99), stepY(-3), stepY(5)), std::tuple(80, 152, 115));
    Mark();
    Dlg().m_device.SetVolumeStep(-1);
    Dlg().m_device.SetVolumeStep(42);
    EXPECT_EQ(Audio(), "vol:0x00000000 vol:0xffffffff");
}

TEST_F(DeviceTest, BarPositionsBecomeBacklightLevelsAndContrastValues) {
    // A bar position, the backlight's journal and the contrast chip's.
    const std::tuple<int, const char*, const char*> kCases[] = {
        {0, BAK("21"), IIC("30")},   {1, BAK("21"), IIC("31")},   {2, BAK("22"), IIC("31")},
        {5, BAK("22"), IIC("33")},   {6, BAK("23"), IIC("33")},   {124, BAK("42"), IIC("78")},
        {139, BAK("46"), IIC("80")}, {248, BAK("63"), IIC("bf")}, {249, BAK("64"), IIC("c0")}};
    Start();
    for (const auto& [position, backlight, contrast] : kCases) {
        Mark();
        Dlg().m_device.nLastBacklight = Dlg().m_device.nLastContrast = -1;
        Dlg().m_device.SetBacklight(position);
        Dlg().m_device.SetContrast(position);
        EXPECT_EQ(Journal("BAK1"), backlight) << position;
        EXPECT_EQ(Journal("IIC1"), contrast) << position;
    }
}

TEST_F(DeviceTest, FmRepeatTimerStepsTheFrequencyRoundTheBand) {
    // MHz, tenths, direction; then MHz and tenths as sent to the transmitter.
    // clang-format off
    const std::tuple<int, int, int, const char*> kCases[] = {
        {108, 0, FM_STEP_UP, "57 05"},   {100, 0, FM_STEP_UP, "64 01"},
        {99, 9, FM_STEP_UP, "64 00"},    {107, 9, FM_STEP_UP, "6c 00"},
        {87, 5, FM_STEP_DOWN, "6c 00"},  {100, 0, FM_STEP_DOWN, "63 09"},
        {100, 3, FM_STEP_DOWN, "64 02"}, {88, 5, FM_STEP_DOWN, "58 04"}, {100, 3, 3, "64 03"},
    };
    // clang-format on
    Start("nFmtOn=5");
    for (const auto& [mhz, tenths, direction, sent] : kCases) {
        Mark();
        Dlg().AdvanPageDAta.nFmtMhz = static_cast<SHORT>(mhz);
        Dlg().AdvanPageDAta.nFmtDecimal = static_cast<SHORT>(tenths);
        Dlg().m_nFmDirection = direction;
        Run("timer 32769");
        EXPECT_EQ(Journal("FMT1"),
                  std::string("open|ioctl 0x00000002 in 00|ioctl 0x00000001 in ") + sent + "|close")
            << mhz << "." << tenths << " direction " << direction;
    }
    // Stepping changes only the working copy.
    EXPECT_EQ(Describe(*StoredRecord()), Describe(m_start.record));
    Dlg().SetTimer(IDT_FM_REPEAT, 1, nullptr);  // a pen-up stops the repeat timer
    Dlg().m_bFmRepeat = 1;
    Run("up 10 10");
    EXPECT_EQ(Dlg().m_bFmRepeat, 0);
    Mark();
    dv::testing::PumpMessagesUntil([] { return false; }, 60);
    EXPECT_EQ(Journal("FMT1"), "");
    // The restore switches the transmitter on at the working frequency.
    Dlg().AdvanPageDAta.nFmtOn = FMT_OFF;
    Dlg().AdvanPageDAta.nFmtMhz = 99;
    Dlg().AdvanPageDAta.nFmtDecimal = 1;
    Run("close");
    EXPECT_EQ(Journal("FMT1"), "open|ioctl 0x00000002 in 00|ioctl 0x00000001 in 63 01|close");
    EXPECT_NE(Log().find("Repare Fmt Repare\r\n"), std::string::npos);
}

// Two points ("X Y") just inside a rectangle's corners and four just outside its edges.
std::vector<std::pair<std::string, bool>> EdgeTaps(const RECT& r) {
    const auto at = [](LONG x, LONG y) { return std::to_string(x) + " " + std::to_string(y); };
    return {{at(r.left, r.top), true},      {at(r.right - 1, r.bottom - 1), true},
            {at(r.left - 1, r.top), false}, {at(r.left, r.top - 1), false},
            {at(r.right, r.top), false},    {at(r.left, r.bottom), false}};
}

TEST_F(DeviceTest, OptionTouchAreasEndOneShortOfTheirRightAndBottomEdges) {
    using B = BASIC_PAGE_DATA;
    using A = ADVAN_PAGE_DATA;
    // An option's rectangle, the basic or advanced field it sets, its value and another.
    const std::tuple<RECT, SHORT B::*, SHORT A::*, SHORT, SHORT> kCases[] = {
        {{156, 75, 225, 90}, &B::nAutoStart, nullptr, 0, 1},
        {{246, 75, 327, 90}, &B::nAutoStart, nullptr, 1, 2},
        {{349, 75, 415, 90}, &B::nAutoStart, nullptr, 2, 0},
        {{156, 103, 225, 118}, &B::nAutoPowerOn, nullptr, AUTOPOWER_OFF, AUTOPOWER_ON},
        {{246, 103, 300, 118}, &B::nAutoPowerOn, nullptr, AUTOPOWER_ON, AUTOPOWER_OFF},
        {{154, 83, 242, 102}, nullptr, &A::PiKoMute, PIKOMUTE_ON, PIKOMUTE_OFF},
        {{250, 83, 435, 102}, nullptr, &A::PiKoMute, PIKOMUTE_OFF, PIKOMUTE_ON},
        {{156, 113, 220, 131}, nullptr, &A::nRearCamera, REARCAM_OFF, REARCAM_ON},
        {{232, 113, 290, 131}, nullptr, &A::nRearCamera, REARCAM_ON, REARCAM_OFF},
    };
    Start("page basic");
    for (const auto& [rect, basic, advan, value, other] : kCases) {
        if (advan != nullptr && Dlg().m_nCurPage == PAGE_BASIC) {
            Run("tap 50 212; tap 169 103");  // OK, then the advanced icon
        }
        SHORT& working = basic ? Dlg().BasicPageData.*basic : Dlg().AdvanPageDAta.*advan;
        for (auto [pt, takes] : EdgeTaps(rect)) {
            working = other;
            Run("tap " + pt);
            EXPECT_EQ(working, takes ? value : other) << pt;
        }
    }
    EXPECT_EQ(Dlg().m_nCurPage, PAGE_ADVAN);
}

TEST_F(DeviceTest, ButtonsAreHeldOnlyInsideTheirRectangles) {
    // clang-format off
    const std::tuple<int, RECT, const char*> kCases[] = {
        {0, {8, 127, 81, 224}, ""}, {1, {81, 100, 139, 190}, ""}, {2, {139, 62, 199, 145}, ""},
        {3, {199, 15, 262, 111}, ""}, {4, {405, 8, 466, 30}, ""},
        {5, {11, 197, 90, 228}, "tap 44 175"}, {7, {389, 197, 468, 228}, "tap 50 212; tap 169 103"}};
    // clang-format on
    Start();
    for (const auto& [button, rect, open] : kCases) {
        Run(open);
        for (auto [pt, takes] : EdgeTaps(rect)) {
            Run("down " + pt);
            EXPECT_EQ(Dlg().m_nPressedBtn == button, takes) << button << " at " << pt;
            Run("up 479 233");  // released away from it: nothing is done
        }
    }
    EXPECT_FALSE(Closed());
}

// The results that callers may test, and what the operations did.
TEST_F(DeviceTest, OperationsAnswerTheirDocumentedResults) {
    Start("bootflag 1; reg 1,2 3,4");
    BYTE sector[BOOT_SECTOR_SIZE] = {};
    EXPECT_EQ(Dlg().m_bootShare.AccessBootShare(sector, 1), 1);  // mode 1 reads
    EXPECT_EQ(sector[90], 1);
    std::ofstream{dv::DeviceRoot() / "dev/FLS1.fail-read"};  // from now on reads fail:
    Dlg().m_bootShare.WriteBootFlag(1);  // nothing is written back over the sector
    EXPECT_EQ(Journal("FLS1").find("write"), std::string::npos);
    sector[90] = 0;
    CLauncherLink& link = Dlg().m_launcher;
    std::ranges::fill(link.szCalibrationData, L'9');  // what a longer earlier read left
    INIINFO record = ParseRecord(kFactoryIniInfo, "nBright=300");
    // A braced list runs its calls in order: mode 0 erases and writes the sector.
    const std::vector<int> results{Dlg().m_bootShare.AccessBootShare(sector, 0),
                                   link.IniWriteString(&record, kSettingsFilePath),
                                   link.IniReadString(&record, kSettingsFilePath),
                                   link.ReadCalibrationData(),
                                   link.SaveTouchCal(),
                                   Dlg().m_device.IicWrite(nullptr, 0x8a, 0x70, 0)};
    EXPECT_EQ(results, std::vector<int>(6, 1));
    EXPECT_EQ(std::tuple(BootFlag(), StoredRecord()->nBright, TouchCal()),
              std::tuple(0, 300, "1,2 3,4"));
    EXPECT_EQ(link.IniSetDefault(&record), 1);
    EXPECT_EQ(StoredRecord()->nBright, kFactoryIniInfo.nBright);
    Mark();  // a transmitter mode but off (1) and on (2) sends nothing
    Dlg().m_device.SetFmTransmitter(3, 99, 1);
    EXPECT_EQ(Journal("FMT1"), SAME);
    EXPECT_EQ((std::vector{link.IniWriteString(&record, L"\\FlashMem\\sysini"),
                           link.IniReadString(&record, L"\\none")}),
              (std::vector{0, 0}));
    EXPECT_EQ(Log(), "IniWriteString Open Error!!\r\nIniReadString Open Error!!\r\n");
}

}  // namespace

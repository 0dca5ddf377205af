#include <gtest/gtest.h>

#include "devices/DeviceControl.h"
#include "devices/VolumeTable.h"
#include "settings/IniInfo.h"
#include "tests/common/DeviceTestRoot.h"

namespace {

using DeviceControlTest = DeviceTestRoot;

TEST_F(DeviceControlTest, PenYMapsToTheFirstStepAtOrAboveIt) {
    CDeviceControl device;
    const std::pair<int, int> cases[] = {{152, 0}, {151, 1}, {200, 0}, {144, 1},
                                         {143, 2}, {115, 5}, {108, 6}, {87, 9},
                                         {86, 10}, {80, 10}, {0, 10},  {-40, 10}};
    for (auto [y, step] : cases) {
        EXPECT_EQ(device.VolumeStepFromY(y, 0), step) << "y " << y;
    }
    EXPECT_EQ(Journal("WAV1"), "") << "no volume is written without the apply flag";
}

TEST_F(DeviceControlTest, ApplyingAStepWritesItsVolumeToDeviceZero) {
    CDeviceControl device;
    device.VolumeStepFromY(152, 1);
    device.VolumeStepFromY(80, 1);
    device.SetVolumeStep(6);
    EXPECT_EQ(Journal("WAV1"), "volume 0x00000000\nvolume 0xffffffff\nvolume 0xbfffbfff\n");
}

TEST_F(DeviceControlTest, KnobYOfStepsAndDamagedStepsStayInsideTheTable) {
    CDeviceControl device;
    EXPECT_EQ(device.GetVolumeStepY(0), 152);
    EXPECT_EQ(device.GetVolumeStepY(5), 115);
    EXPECT_EQ(device.GetVolumeStepY(10), 80);
    // Steps from a damaged file are clamped to the nearest row.
    EXPECT_EQ(device.GetVolumeStepY(-3), 152);
    EXPECT_EQ(device.GetVolumeStepY(32767), 80);
    device.SetVolumeStep(11);
    device.SetVolumeStep(-1);
    EXPECT_EQ(Journal("WAV1"), "volume 0xffffffff\nvolume 0x00000000\n");
}

TEST_F(DeviceControlTest, BacklightSendsOnlyChangedLevels) {
    CDeviceControl device;
    device.SetBacklight(0);
    device.SetBacklight(1);
    device.SetBacklight(2);
    device.SetBacklight(249);
    EXPECT_EQ(Journal("BAK1"),
              "open\nioctl 0x00002000 in 21\nclose\n"
              "open\nclose\n"
              "open\nioctl 0x00002000 in 22\nclose\n"
              "open\nioctl 0x00002000 in 64\nclose\n");
    EXPECT_EQ(device.nLastBacklight, 100);
}

TEST_F(DeviceControlTest, BacklightLevelsFollowTheFormula) {
    const std::pair<int, int> cases[] = {{0, 33},   {1, 33},    {2, 34},  {6, 35}, {124, 66},
                                         {248, 99}, {249, 100}, {-1, 33}, {-6, 32}};
    for (auto [position, level] : cases) {
        CDeviceControl device;
        device.SetBacklight(position);
        EXPECT_EQ(device.nLastBacklight, level) << "position " << position;
    }
}

TEST_F(DeviceControlTest, ContrastLogsEveryCallAndWritesFourTransfersOnChange) {
    CDeviceControl device;
    device.SetContrast(249);
    EXPECT_EQ(m_log.Text(), "ConTrast : 0Xc0 \r\n");
    EXPECT_EQ(Journal("IIC1"),
              "open\n"
              "ioctl 0x00000000 in 8a 70 20\n"
              "ioctl 0x00000000 in 8a 74 c0\n"
              "ioctl 0x00000000 in 8a 75 c0\n"
              "ioctl 0x00000000 in 8a 76 c0\n"
              "close\n");
    ClearJournal("IIC1");
    m_log.Clear();
    device.SetContrast(0);
    device.SetContrast(0);
    EXPECT_EQ(m_log.Text(), "ConTrast : 0X30 \r\nConTrast : 0X30 \r\n");
    EXPECT_EQ(Journal("IIC1"),
              "open\n"
              "ioctl 0x00000000 in 8a 70 20\n"
              "ioctl 0x00000000 in 8a 74 30\n"
              "ioctl 0x00000000 in 8a 75 30\n"
              "ioctl 0x00000000 in 8a 76 30\n"
              "close\nopen\nclose\n");
}

TEST_F(DeviceControlTest, ContrastValuesFollowTheFormula) {
    const std::pair<int, int> cases[] = {
        {139, 0x80}, {0, 0x30}, {249, 0xC0}, {-1, 0x30}, {-6, 0x2E}};
    for (auto [position, value] : cases) {
        CDeviceControl device;
        device.SetContrast(position);
        EXPECT_EQ(device.nLastContrast, value) << "position " << position;
    }
}

TEST_F(DeviceControlTest, FmTransmitterSendsStandbyThenFrequency) {
    CDeviceControl device;
    device.SetFmTransmitter(FMT_MODE_ON, 100, 3);
    device.SetFmTransmitter(FMT_MODE_OFF, 0, 0);
    device.SetFmTransmitter(0, 99, 1);
    device.SetFmTransmitter(3, 99, 1);
    EXPECT_EQ(Journal("FMT1"),
              "open\nioctl 0x00000002 in 00\nioctl 0x00000001 in 64 03\nclose\n"
              "open\nioctl 0x00000002 in 01\nclose\n"
              "open\nclose\n"
              "open\nclose\n");
}

TEST_F(DeviceControlTest, MissingDriversAreLoggedAndLeaveTheCachesAlone) {
    TouchFile("dev/BAK1.absent");
    TouchFile("dev/IIC1.absent");
    TouchFile("dev/FMT1.absent");
    CDeviceControl device;
    device.SetBacklight(10);
    device.SetContrast(10);
    device.SetFmTransmitter(FMT_MODE_ON, 99, 1);
    EXPECT_EQ(m_log.Text(), "Cannot open BackLight \r\nCannot open IIC1 \r\nCannot open Fmt \r\n");
    EXPECT_EQ(device.nLastBacklight, -1);
    EXPECT_EQ(device.nLastContrast, -1);
    std::filesystem::remove(Root() / "dev/BAK1.absent");
    device.SetBacklight(10);
    EXPECT_EQ(Journal("BAK1"), "open\nioctl 0x00002000 in 24\nclose\n");
}

TEST(FmStepping, WrapsAtBothEndsOfTheBand) {
    CDeviceControl device;
    ADVAN_PAGE_DATA data = {REARCAM_ON, FMT_ON, 107, 9, 0};
    auto text = [&] {
        return std::to_string(data.nFmtMhz) + "." + std::to_string(data.nFmtDecimal);
    };
    device.StepFmFrequency(data, FM_STEP_UP);
    EXPECT_EQ(text(), "108.0");
    device.StepFmFrequency(data, FM_STEP_UP);
    EXPECT_EQ(text(), "87.5");
    device.StepFmFrequency(data, FM_STEP_UP);
    EXPECT_EQ(text(), "87.6");
    device.StepFmFrequency(data, FM_STEP_DOWN);
    device.StepFmFrequency(data, FM_STEP_DOWN);
    EXPECT_EQ(text(), "108.0");
    device.StepFmFrequency(data, FM_STEP_DOWN);
    EXPECT_EQ(text(), "107.9");
    data.nFmtMhz = 99;
    data.nFmtDecimal = 9;
    device.StepFmFrequency(data, FM_STEP_UP);
    EXPECT_EQ(text(), "100.0");
    device.StepFmFrequency(data, FM_STEP_DOWN);
    EXPECT_EQ(text(), "99.9");
    device.StepFmFrequency(data, 0);
    device.StepFmFrequency(data, 3);
    EXPECT_EQ(text(), "99.9");
}

}  // namespace

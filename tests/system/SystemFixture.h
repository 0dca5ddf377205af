// The settings dialog on a fresh device root of its own, driven as the pen
// and the unit's other programs drive it, and observed through what they see.
// Start() takes the starting state as ';'-separated items:
//   nBright=100 nPage=2    stored record fields (the factory record otherwise)
//   conf HEX; nofile; nosysini          the settings file's raw bytes, or none
//   absent BAK1; switch FLS1.fail-erase a driver taken away, or a driver switch
//   bootflag 0             byte 90 of the boot sector
//   reg TEXT; regkey none               CalibrationData: its text, or no key
//   cal TEXT; calpost X Y  what the calibration routine stores; a tap it leaves
//   file PATH TEXT; dir PATH            a file of the device root; a folder
//   page sound|basic|advanced   a page opened first
// Run() takes a script: down X Y; move X Y; up X Y; tap X Y; dbl X Y;
// timer ID; key CODE; close; repaint; mark (forget what was recorded).
// The harness's checks hold between any two messages and once the dialog is gone.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/SettingsDlg.h"
#include "platform/testing/GdiSurfaces.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/ScopedCalibration.h"
#include "platform/testing/ScopedDeviceRoot.h"
#include "platform/testing/TestWindow.h"
#include "tests/system/DialogHarness.h"

// Driver journals as Journal() gives them: a backlight level or contrast value
// sent, or the driver opened and closed with nothing sent.
#define BAK(level) "open|ioctl 0x00002000 in " level "|close"
#define IIC(v)                                                       \
    "open|ioctl 0x00000000 in 8a 70 20|ioctl 0x00000000 in 8a 74 " v \
    "|ioctl 0x00000000 in 8a 75 " v "|ioctl 0x00000000 in 8a 76 " v "|close"
#define SAME "open|close"

class SystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("DIALVANE_DISPLAY", "none", 1);
        dvfuzz::g_onBroken = [](const char* what) { ADD_FAILURE() << "broken: " << what; };
        m_root = std::make_unique<dv::testing::ScopedDeviceRoot>(
            dv::testing::ScopedDeviceRoot::Shape::Provisioned);
    }

    void Start(std::string_view setup = "");
    void Run(std::string_view script);
    void Mark();

    CSettingsDlg& Dlg() { return m_run->Dlg(); }
    bool Closed() const { return !m_run->IsOpen(); }
    // What happened since the last mark.
    std::string Journal(const std::string& device) { return m_run->Journal(device); }
    std::string Launcher() const;  // "S1 T1 S3 T0"
    // The audio device's calls: "click" for one sound played whole,
    // "vol:0xffffffff" for a volume set, other calls by name.
    std::string Audio() const;
    std::string Log() const { return m_log.Text(); }
    std::optional<INIINFO> StoredRecord() const;
    bool Exists(const std::string& relative) const { return m_root->Exists(relative); }
    std::optional<std::string> TouchCal() const;
    int BootFlag() const;
    dv::testing::PixelSnapshot Screen() const { return dv::testing::SnapshotScreen(); }

    // "nBright=300 nPage=2" applied to base; Describe() lists every field so.
    static INIINFO ParseRecord(INIINFO base, std::string_view assignments);
    static std::string Describe(const INIINFO& record);

    struct {  // what held when Start() was done
        INIINFO record;
        std::string log;
        int page, bootFlag;
        std::optional<std::string> touchCal;
    } m_start{};
    int m_calibrations = 0;

private:
    dv::testing::LogCapture m_log;  // destroyed bottom up: the dialog first, the log last
    std::unique_ptr<dv::testing::ScopedDeviceRoot> m_root;
    std::unique_ptr<dv::testing::TestWindow> m_launcher;
    std::unique_ptr<dv::testing::ScopedCalibration> m_calibration;
    std::unique_ptr<dvfuzz::DialogRun> m_run;
    std::optional<std::string> m_calibrationStores;
    std::optional<POINT> m_calibrationPost;
    std::string m_openPage;
    std::size_t m_audioMark = 0;
};

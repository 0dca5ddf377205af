// A settings dialog on the platform's doubles: a fresh device root with the
// simulated drivers, a recording launcher window, a recording audio device
// (each click is one open of it) and a calibration routine that finishes at
// once.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "app/SettingsDlg.h"
#include "platform/calibration/TouchCalibration.h"
#include "platform/gdi/ObjectCounts.h"
#include "platform/gdi/Screen.h"
#include "platform/testing/FakeWaveOut.h"
#include "platform/testing/TestWindow.h"
#include "tests/common/DeviceTestRoot.h"

class DialogTest : public DeviceTestRoot {
protected:
    void SetUp() override {
        DeviceTestRoot::SetUp();
        m_launcher = std::make_unique<dv::testing::TestWindow>(L"Launcher_Tulvo");
        // Like the real screen, the stand-in leaves the dialog to repaint.
        dv::SetTouchCalibrationRoutine([this] {
            ++m_calibrations;
            ::InvalidateRect(m_dlg->m_hWnd, nullptr, FALSE);
            return TRUE;
        });
    }

    void TearDown() override {
        if (m_dlg && m_dlg->m_hWnd != nullptr) {
            m_dlg->DestroyWindow();
        }
        dv::testing::PumpMessagesUntilIdle();
        dv::testing::ClearPendingQuit();
        m_dlg.reset();
        dv::SetTouchCalibrationRoutine({});
        m_launcher.reset();
        DeviceTestRoot::TearDown();
    }

    // Creates the dialog on the settings file as it stands, and paints it.
    CSettingsDlg& Open() {
        m_dlg = std::make_unique<CSettingsDlg>();
        EXPECT_TRUE(m_dlg->Create(IDD_SETTINGS_DIALOG));
        Idle();
        ClearRecords();
        return *m_dlg;
    }

    void WriteSettings(const INIINFO& info) {
        std::vector<unsigned char> bytes(sizeof info);
        std::memcpy(bytes.data(), &info, sizeof info);
        WriteBytes("FlashMem/sysini/conf.ini", bytes);
    }

    INIINFO StoredFile() const {
        INIINFO info{};
        auto bytes = ReadBytes("FlashMem/sysini/conf.ini");
        EXPECT_EQ(bytes.size(), sizeof info);
        std::memcpy(&info, bytes.data(), std::min(bytes.size(), sizeof info));
        return info;
    }

    void Down(int x, int y) { Send(WM_LBUTTONDOWN, x, y); }
    void Move(int x, int y) { Send(WM_MOUSEMOVE, x, y); }
    void Up(int x, int y) { Send(WM_LBUTTONUP, x, y); }
    void Tap(int x, int y) {
        Down(x, y);
        Up(x, y);
    }
    void Send(UINT message, int x, int y) {
        m_dlg->SendMessage(message, MK_LBUTTON, MAKELPARAM(x, y));
        Idle();
    }
    void Idle() { dv::testing::PumpMessagesUntilIdle(); }

    // Pages opened through the main menu, as the user does.
    void OpenPage(int icon) {
        static constexpr POINT kIconCentres[] = {{44, 175}, {110, 145}, {169, 103}, {230, 63}};
        Tap(kIconCentres[icon].x, kIconCentres[icon].y);
        ClearRecords();
    }

    int Clicks() const {
        auto calls = m_audio.Calls();
        return static_cast<int>(
            std::count(calls.begin() + static_cast<long>(m_audioCallsBefore), calls.end(), "open"));
    }

    std::vector<dv::testing::RecordedMessage> LauncherMessages() const {
        return m_launcher ? m_launcher->Messages() : std::vector<dv::testing::RecordedMessage>{};
    }

    void ClearRecords() {
        if (m_launcher) {
            m_launcher->Clear();
        }
        m_log.Clear();
        for (const char* device : {"BAK1", "IIC1", "FMT1", "FLS1", "WAV1"}) {
            ClearJournal(device);
        }
        m_audioCallsBefore = m_audio.Calls().size();
    }

    // Screen pixels of a rectangle, to compare before and after.
    std::vector<uint32_t> ScreenArea(RECT r) const {
        auto pixels = dv::gdi::ScreenPixels();
        std::vector<uint32_t> out;
        for (LONG y = r.top; y < r.bottom; ++y) {
            for (LONG x = r.left; x < r.right; ++x) {
                out.push_back(pixels[static_cast<std::size_t>(y) * 480 + x]);
            }
        }
        return out;
    }

    dv::testing::FakeWaveOut m_audio;
    std::unique_ptr<dv::testing::TestWindow> m_launcher;
    std::unique_ptr<CSettingsDlg> m_dlg;
    int m_calibrations = 0;
    std::size_t m_audioCallsBefore = 0;
};

inline dv::testing::RecordedMessage SettingsPage(int page) {
    return {UM_SETTINGS_PAGE, static_cast<WPARAM>(page), 0};
}
inline dv::testing::RecordedMessage TouchCal(int flag) {
    return {UM_TOUCH_CAL, static_cast<WPARAM>(flag), 0};
}

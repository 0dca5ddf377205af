// What the fuzz targets that run the settings dialog share: a private device
// root and runtime folder made once per process, the launcher stand-in and
// the calibration stand-in, and for each run fresh doubles of the audio
// device and the four drivers, so that nothing a run records grows from run
// to run and every run starts from the same state. A broken invariant ends
// the process with a message, so that libFuzzer keeps the input.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "app/SettingsDlg.h"
#include "platform/Platform.h"
#include "platform/calibration/TouchCalibration.h"
#include "platform/core/DebugLog.h"
#include "platform/gdi/ObjectCounts.h"
#include "platform/testing/FakeDriverScope.h"
#include "platform/testing/FakeWaveOut.h"
#include "platform/testing/TestWindow.h"
#include "platform/window/MessageLoop.h"

namespace dvfuzz {

constexpr const char* kSettingsRelative = "FlashMem/sysini/conf.ini";
constexpr std::size_t kRecordSize = sizeof(INIINFO);
// tmpfs first: every save flushes the file and its folder.
constexpr const char* kScratchParents[] = {"/dev/shm", "/tmp"};

// What the drivers may be sent while the values they come from are in range.
constexpr DWORD kBacklightSetLevel = 0x2000;
constexpr int kBacklightMin = 33;
constexpr int kBacklightMax = 100;
constexpr DWORD kIicWrite = 0;
constexpr BYTE kFirstContrastRegister = 0x74;
constexpr BYTE kLastContrastRegister = 0x76;
constexpr int kContrastMin = 48;
constexpr int kContrastMax = 192;
constexpr DWORD kFmtSetFrequency = 1;
constexpr int kFmTenthsMin = 875;
constexpr int kFmTenthsMax = 1080;

// Main-menu icon centres (sound, basic, advanced, touch), the buttons and
// the preview picture.
constexpr POINT kIconCentres[] = {{44, 175}, {110, 145}, {169, 103}, {230, 63}};
constexpr POINT kOkButton = {50, 212};
constexpr POINT kPreview = {300, 170};

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

inline void Expect(bool holds, const char* what) {
    if (!holds) {
        Fail(what);
    }
}

inline bool SameRecord(const INIINFO& a, const INIINFO& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The record as the dialog holds it: stored fields of the three pages equal
// their working copies.
inline bool WorkingMatchesStored(const CSettingsDlg& dlg) {
    const INIINFO& s = dlg.m_IniInfo;
    return std::memcmp(&dlg.SoundPageData, &s.nNaviVolume, sizeof dlg.SoundPageData) == 0 &&
           std::memcmp(&dlg.BasicPageData, &s.nAutoStart, sizeof dlg.BasicPageData) == 0 &&
           std::memcmp(&dlg.AdvanPageDAta, &s.nRearCamera, sizeof dlg.AdvanPageDAta) == 0;
}

// Whether the values that reach the backlight, contrast and FM drivers are
// all in their ranges, so that every level sent must be too.
inline bool DriverValuesInRange(const INIINFO& r) {
    auto bar = [](SHORT x) { return x >= BAR_KNOB_X_MIN && x <= BAR_KNOB_X_MAX; };
    const int tenths = r.nFmtMhz * 10 + r.nFmtDecimal;
    return bar(r.nBright) && bar(r.nContrast) && r.nFmtDecimal >= 0 && r.nFmtDecimal <= 9 &&
           tenths >= kFmTenthsMin && tenths <= kFmTenthsMax;
}

// The process's unit, made once: the device root as the factory lays it
// out, a runtime folder, the launcher window and the calibration stand-in.
class Unit {
public:
    static Unit& Get() {
        // Never destroyed: windows and files outlive every run.
        static Unit* unit = new Unit();
        return *unit;
    }

    std::filesystem::path SettingsPath() const { return m_root / kSettingsRelative; }

    void WriteSettings(std::span<const uint8_t> bytes) const {
        std::ofstream out(SettingsPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        Expect(out.good(), "settings file not written");
    }

    std::vector<uint8_t> ReadSettings() const {
        std::ifstream in(SettingsPath(), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    dv::testing::TestWindow& Launcher() { return *m_launcher; }
    // The dialog the calibration stand-in repaints.
    void SetDialog(CSettingsDlg* dlg) { m_dialog = dlg; }

private:
    Unit() {
        std::filesystem::path base = MakeScratchFolder();
        m_base = base;
        m_root = base / "unit";
        std::filesystem::path runtime = base / "run";
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        setenv("DIALVANE_ROOT", m_root.c_str(), 1);
        setenv("DIALVANE_RUNTIME", runtime.c_str(), 1);
        setenv("DIALVANE_DISPLAY", "none", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        dv::SetDebugLogToStderr(false);
        Expect(dv::ProvisionDeviceRoot(), "device root not provisioned");
        std::atexit(RemoveScratch);
        m_launcher = std::make_unique<dv::testing::TestWindow>(kLauncherTitle);
        // Like the real calibration screen, the stand-in leaves the dialog
        // to repaint, which is what ends the touch page.
        dv::SetTouchCalibrationRoutine([this] {
            if (m_dialog != nullptr && m_dialog->m_hWnd != nullptr) {
                ::InvalidateRect(m_dialog->m_hWnd, nullptr, FALSE);
            }
            return TRUE;
        });
    }

    static std::filesystem::path MakeScratchFolder() {
        for (const char* parent : kScratchParents) {
            std::string pattern = std::string(parent) + "/dialvane-fuzz-XXXXXX";
            if (access(parent, W_OK) == 0 && mkdtemp(pattern.data()) != nullptr) {
                return pattern;
            }
        }
        Fail("no scratch folder");
    }

    static void RemoveScratch() {
        std::error_code ec;
        std::filesystem::remove_all(Get().m_base, ec);
    }

    std::filesystem::path m_base;
    std::filesystem::path m_root;
    std::unique_ptr<dv::testing::TestWindow> m_launcher;
    CSettingsDlg* m_dialog = nullptr;
};

// One dialog at a time on fresh doubles, driven as the modal loop drives it,
// with the checks that hold between any two messages.
class DialogRun {
public:
    DialogRun() : m_unit(Unit::Get()), m_baseline(dv::gdi::LiveObjectCounts()) {
        m_unit.Launcher().Clear();
    }

    ~DialogRun() {
        if (m_dlg) {
            Close();
        }
    }

    DialogRun(const DialogRun&) = delete;
    DialogRun& operator=(const DialogRun&) = delete;

    CSettingsDlg& Open() {
        m_dlg = std::make_unique<CSettingsDlg>();
        m_unit.SetDialog(m_dlg.get());
        Expect(m_dlg->Create(IDD_SETTINGS_DIALOG) != FALSE, "dialog not created");
        // The first paint makes nothing that lasts; what is alive now is
        // what the dialog keeps for its life.
        RunLoop();
        Expect(IsOpen(), "dialog ended while starting");
        m_withDialog = dv::gdi::LiveObjectCounts();
        CheckDrivers();
        return *m_dlg;
    }

    CSettingsDlg& Dlg() { return *m_dlg; }
    bool IsOpen() const { return m_dlg && m_dlg->m_hWnd != nullptr; }

    // Ends the dialog as another program does, if it is still open, and
    // checks that it freed every drawing object it made.
    void Close() {
        if (IsOpen()) {
            m_dlg->SendMessage(UM_CLOSE_SETTINGS, 0, 0);
        }
        Expect(!IsOpen(), "dialog still open after UM_CLOSE_SETTINGS");
        Drain();
        m_unit.SetDialog(nullptr);
        m_dlg.reset();
        const dv::gdi::ObjectCounts left = dv::gdi::LiveObjectCounts();
        if (!(left == m_baseline)) {
            std::fprintf(
                stderr,
                "drawing objects: %d/%d/%d before the dialog, %d/%d/%d after (dcs/bitmaps/fonts)\n",
                m_baseline.dcs, m_baseline.bitmaps, m_baseline.fonts, left.dcs, left.bitmaps,
                left.fonts);
            Fail("drawing objects left after the dialog was destroyed");
        }
        Expect(m_audio.OpenHandles() == 0, "audio device left open");
    }

    // Queues a message for the dialog and runs the loop until idle, as the
    // modal loop would deliver it (pre-translation included).
    void Post(UINT message, WPARAM wParam, LPARAM lParam) {
        ::PostMessageW(m_dlg->m_hWnd, message, wParam, lParam);
        Pump();
    }

    void Pen(UINT message, POINT pt) {
        Post(message, MK_LBUTTON,
             MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(pt.x)),
                        static_cast<WORD>(static_cast<SHORT>(pt.y))));
    }

    void Tap(POINT pt) {
        Pen(WM_LBUTTONDOWN, pt);
        if (IsOpen()) {
            Pen(WM_LBUTTONUP, pt);
        }
    }

    void Repaint() {
        ::InvalidateRect(m_dlg->m_hWnd, nullptr, FALSE);
        Pump();
    }

    // Handles what is queued, paints and due timers, then checks what must
    // hold between messages. A dialog that ended on the way is drained.
    void Pump() {
        RunLoop();
        if (!IsOpen()) {
            Drain();
            return;
        }
        Expect(dv::gdi::LiveObjectCounts() == m_withDialog,
               "drawing objects changed across a message");
        Expect(m_audio.OpenHandles() == 0, "audio device left open");
        CheckDrivers();
    }

    // Only meaningful while the stored and working values are in range.
    void SetDriverChecks(bool on) { m_checkDrivers = on; }

private:
    void RunLoop() {
        dv::window::LoopOptions options;
        options.returnWhenIdle = true;
        options.preTranslator = IsOpen() ? m_dlg.get() : nullptr;
        dv::window::RunMessageLoop(options);
    }

    void Drain() {
        dv::testing::ClearPendingQuit();
        dv::testing::PumpMessagesUntilIdle();
        dv::testing::ClearPendingQuit();
    }

    void CheckDrivers() {
        if (m_checkDrivers) {
            for (const auto& call : m_bak->Calls()) {
                if (call.op == dv::testing::DriverOp::IoControl &&
                    call.code == kBacklightSetLevel && !call.input.empty()) {
                    Expect(call.input[0] >= kBacklightMin && call.input[0] <= kBacklightMax,
                           "backlight level out of range");
                }
            }
            for (const auto& call : m_iic->Calls()) {
                if (call.op == dv::testing::DriverOp::IoControl && call.code == kIicWrite &&
                    call.input.size() == 3 && call.input[1] >= kFirstContrastRegister &&
                    call.input[1] <= kLastContrastRegister) {
                    Expect(call.input[2] >= kContrastMin && call.input[2] <= kContrastMax,
                           "contrast value out of range");
                }
            }
            for (const auto& call : m_fmt->Calls()) {
                if (call.op == dv::testing::DriverOp::IoControl && call.code == kFmtSetFrequency &&
                    call.input.size() == 2) {
                    const int tenths = call.input[0] * 10 + call.input[1];
                    Expect(call.input[1] <= 9 && tenths >= kFmTenthsMin && tenths <= kFmTenthsMax,
                           "FM frequency out of range");
                }
            }
        }
        for (auto* driver : {&m_bak, &m_iic, &m_fmt, &m_fls}) {
            Expect((*driver)->OpenHandles() == 0, "driver left open");
            (*driver)->ClearCalls();
        }
    }

    Unit& m_unit;
    dv::gdi::ObjectCounts m_baseline;
    dv::gdi::ObjectCounts m_withDialog;
    dv::testing::FakeWaveOut m_audio;
    dv::testing::ScopedDriver m_bak{L"BAK1:"};
    dv::testing::ScopedDriver m_iic{L"IIC1:"};
    dv::testing::ScopedDriver m_fmt{L"FMT1:"};
    dv::testing::ScopedDriver m_fls{L"FLS1:"};
    std::unique_ptr<CSettingsDlg> m_dlg;
    bool m_checkDrivers = false;
};

}  // namespace dvfuzz

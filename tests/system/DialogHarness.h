// The settings dialog driven as the modal loop drives it, with the checks that
// hold between any two messages. A broken one ends a fuzz target's process, so
// that libFuzzer keeps the input; the system tests make it a test failure.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>

#include "app/SettingsDlg.h"
#include "platform/Platform.h"
#include "platform/core/KernelObject.h"
#include "platform/gdi/BitmapResources.h"
#include "platform/testing/FakeWaveOut.h"
#include "platform/testing/GdiCounts.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/ScopedCalibration.h"
#include "platform/testing/ScopedDeviceRoot.h"
#include "platform/testing/TestWindow.h"
#include "ui/ResourceIds.h"

namespace dvfuzz {

constexpr const char* kSettingsFile = "FlashMem/sysini/conf.ini";
// Main-menu icon centres (sound, basic, advanced, touch) and the preview.
constexpr POINT kIconCentres[] = {{44, 175}, {110, 145}, {169, 103}, {230, 63}};
constexpr POINT kPreview = {300, 170};

inline void (*g_onBroken)(const char* what) = [](const char* what) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
};

inline void Expect(bool holds, const char* what) {
    if (!holds) {
        g_onBroken(what);
    }
}

// A file's bytes; nothing when there is none.
inline std::string ReadWhole(const std::filesystem::path& path) {
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return text;
    }
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

inline bool SameRecord(const INIINFO& a, const INIINFO& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The stored fields of the three pages equal their working copies.
inline bool WorkingMatchesStored(const CSettingsDlg& dlg) {
    const INIINFO& s = dlg.m_IniInfo;
    return std::memcmp(&dlg.SoundPageData, &s.nNaviVolume, sizeof dlg.SoundPageData) == 0 &&
           std::memcmp(&dlg.BasicPageData, &s.nAutoStart, sizeof dlg.BasicPageData) == 0 &&
           std::memcmp(&dlg.AdvanPageDAta, &s.nRearCamera, sizeof dlg.AdvanPageDAta) == 0;
}

// What the window's destruction frees: the screen, its font, the version
// font and the four page backgrounds. The buttons go with the object.
inline bool WindowResourcesFreed(const CSettingsDlg& dlg) {
    const CDC* const kBackgrounds[] = {&dlg.m_dcMainBg, &dlg.m_dcSoundBg, &dlg.m_dcBasicBg,
                                       &dlg.m_dcAdvanBg};
    return dlg.m_pScreenDC == nullptr && dlg.m_hVersionFont == nullptr &&
           dlg.m_fontScreen.GetSafeHandle() == nullptr && dlg.m_pOldFont == nullptr &&
           std::ranges::none_of(kBackgrounds, [](const CDC* dc) { return dc->GetSafeHdc(); });
}

// One dialog at a time on the current device root. The drivers' journals are
// taken (and, with the driver checks on, every level sent since the last look
// checked against its range) when asked for and at a close, and kept for
// Journal() until ForgetJournals().
class DialogRun {
public:
    ~DialogRun() { Close(); }

    static CSettingsDlg* Current() {  // the open dialog, for the calibration stand-ins
        return s_current != nullptr && s_current->m_hWnd != nullptr ? s_current : nullptr;
    }

    CSettingsDlg& Open() {
        m_dlg = std::make_unique<CSettingsDlg>();
        s_current = m_dlg.get();
        m_quitSeen = false;
        Expect(m_dlg->Create(IDD_SETTINGS_DIALOG) != FALSE, "dialog not created");
        dv::testing::PumpMessagesUntilIdle();
        m_withDialog = dv::testing::LiveGdiObjects();
        Pump();
        Expect(WorkingMatchesStored(*m_dlg), "working copies differ from the loaded record");
        return *m_dlg;
    }

    // Brings the open dialog back to the state it opens in, on the settings file
    // now in the root: the fuzz targets keep one dialog from input to input, as
    // making one is most of a run's time.
    CSettingsDlg& Reset() {
        CSettingsDlg& dlg = *m_dlg;
        ::KillTimer(dlg.m_hWnd, IDT_FM_REPEAT);
        dlg.m_nCurPage = PAGE_MAIN;
        dlg.m_nPressedBtn = BTN_NONE;
        dlg.m_nDragSlider = dlg.m_nDragBar = DRAG_NONE;
        std::fill(std::begin(dlg.m_nLastKnobY), std::end(dlg.m_nLastKnobY), -1);
        dlg.m_bFmRepeat = dlg.m_nFmDirection = dlg.m_bBarChanged = 0;
        dlg.LoadSettings();
        m_audio.reset();  // a new record of the calls
        m_audio.emplace();
        Repaint();
        Expect(WorkingMatchesStored(dlg), "working copies differ from the loaded record");
        return dlg;
    }

    CSettingsDlg& Dlg() { return *m_dlg; }
    bool IsOpen() const { return m_dlg && m_dlg->m_hWnd != nullptr; }

    void Close() {  // ends the dialog as another program does and checks it freed everything
        if (!m_dlg) {
            return;
        }
        if (IsOpen()) {
            m_dlg->SendMessage(UM_CLOSE_SETTINGS, 0, 0);
        }
        Expect(!IsOpen(), "dialog still open after UM_CLOSE_SETTINGS");
        TakeJournals();
        Drain();
        Expect(WindowResourcesFreed(*m_dlg), "drawing resources outlived the window");
        s_current = nullptr;
        m_dlg.reset();
        Expect(dv::testing::LiveGdiObjects() == m_objects, "drawing objects left after the dialog");
        Expect(dv::OpenHandleCount() == m_handles, "handles left open after the dialog");
        Expect(m_audio->OpenHandles() == 0, "audio device left open");
    }

    void Pen(UINT message, POINT pt) {
        ::PostMessageW(m_dlg->m_hWnd, message, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        Pump();
    }
    void Tap(POINT pt) {
        Pen(WM_LBUTTONDOWN, pt);
        if (IsOpen()) {
            Pen(WM_LBUTTONUP, pt);
        }
    }
    // As the modal loop hands a message over: pre-translated, then handled.
    void Deliver(UINT message, WPARAM wParam) {
        MSG msg{m_dlg->m_hWnd, message, wParam, 0, 0, {0, 0}};
        if (!m_dlg->PreTranslateMessage(&msg) && IsOpen()) {
            m_dlg->SendMessage(msg.message, msg.wParam, msg.lParam);
        }
        Pump();
    }
    void Repaint() {
        ::InvalidateRect(m_dlg->m_hWnd, nullptr, FALSE);
        Pump();
    }

    void Pump() {  // handles what is queued, then checks what must hold between messages
        dv::testing::PumpMessagesUntilIdle();
        if (!IsOpen()) {
            Drain();
            return;
        }
        Expect(dv::testing::LiveGdiObjects() == m_withDialog, "drawing objects changed");
        Expect(m_audio->OpenHandles() == 0, "audio device left open");
        Expect(dv::OpenHandleCount() == m_handles, "a file or driver left open");
    }

    // Levels sent while the values they come from are in range stay in theirs.
    void SetDriverChecks(bool on) { m_checkDrivers = on; }

    dv::testing::FakeWaveOut& Audio() { return *m_audio; }
    // What the device's journal took since the last ForgetJournals(), lines joined by '|'.
    std::string Journal(const std::string& device) {
        TakeJournals();
        std::string text = m_journals[device];
        std::replace(text.begin(), text.end(), '\n', '|');
        return text.substr(0, text.find_last_not_of('|') + 1);
    }
    void ForgetJournals() {
        TakeJournals();
        m_journals.clear();
    }

private:
    // A device, the start of its lines that send a level, and the level's range.
    static constexpr std::tuple<const char*, const char*, int, int> kJournals[] = {
        {"BAK1", "ioctl 0x00002000 in ", 33, 100},
        {"IIC1", "ioctl 0x00000000 in 8a 7", 0x20, 192},
        {"FMT1", "ioctl 0x00000001 in ", 0, 9},
        {"FLS1", nullptr, 0, 0},
    };

    void Drain() {
        // The dialog's end quits the program's loop, as it did on the unit.
        Expect(m_quitSeen || dv::testing::QuitPending(), "the dialog ended without a WM_QUIT");
        m_quitSeen = true;
        dv::testing::ClearPendingQuit();
        dv::testing::PumpMessagesUntilIdle();
        dv::testing::ClearPendingQuit();
    }

    void TakeJournals() {
        const std::filesystem::path folder = dv::DeviceRoot() / "dev";
        for (const auto& [device, prefix, low, high] : kJournals) {
            const std::string text = TakeFile(folder / (std::string(device) + ".log"));
            if (text.empty()) {
                continue;
            }
            m_journals[device] += text;
            std::istringstream lines(text);
            for (std::string line; m_checkDrivers && prefix && std::getline(lines, line);) {
                if (line.starts_with(prefix)) {
                    const int value = std::stoi(line.substr(line.size() - 2), nullptr, 16);
                    Expect(value >= low && value <= high, "a driver was sent a level out of range");
                }
            }
        }
    }

    // The journal's bytes, the file then emptied; nothing when there is none.
    // Emptied rather than removed: the device keeps its journal open, and a
    // new file would make it open one again.
    static std::string TakeFile(const std::filesystem::path& path) {
        std::string text = ReadWhole(path);
        if (!text.empty()) {
            ::truncate(path.c_str(), 0);
        }
        return text;
    }

    inline static CSettingsDlg* s_current = nullptr;
    bool m_quitSeen = false;
    dv::testing::GdiCounts m_objects = dv::testing::LiveGdiObjects();
    dv::testing::GdiCounts m_withDialog;
    std::size_t m_handles = dv::OpenHandleCount();
    std::optional<dv::testing::FakeWaveOut> m_audio{std::in_place};
    std::unique_ptr<CSettingsDlg> m_dlg;
    std::map<std::string, std::string> m_journals;
    bool m_checkDrivers = false;
};

class Unit {  // the process's unit, made once: windows and files outlive every run
public:
    static Unit& Get() {
        static Unit* unit = new Unit();
        return *unit;
    }

    // Shared by the runs: the device root and the log.
    std::unique_ptr<dv::testing::ScopedDeviceRoot> root =
        std::make_unique<dv::testing::ScopedDeviceRoot>(
            dv::testing::ScopedDeviceRoot::Shape::Provisioned);
    dv::testing::LogCapture log;

private:
    Unit() {
        // The screens' bitmaps stay decoded between dialogs, as they do while the panel runs.
        for (UINT id = IDB_MAIN_BG; id <= IDB_FM_ARROW_RIGHT; ++id) {
            m_bitmaps.push_back(dv::gdi::DecodedBitmapResource(id));
        }
        const auto runtime = root->Path().parent_path() / "run";
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        setenv("DIALVANE_RUNTIME", runtime.c_str(), 1);
        setenv("DIALVANE_DISPLAY", "none", 1);
        std::atexit([] { Get().root.reset(); });
        m_launcher = std::make_unique<dv::testing::TestWindow>(kLauncherTitle);
        // As the real screen does, the stand-in leaves the dialog to repaint.
        m_calibration = std::make_unique<dv::testing::ScopedCalibration>([] {
            if (DialogRun::Current() != nullptr) {
                ::InvalidateRect(DialogRun::Current()->m_hWnd, nullptr, FALSE);
            }
            return TRUE;
        });
    }

    std::vector<std::shared_ptr<const dv::gdi::Surface>> m_bitmaps;
    std::unique_ptr<dv::testing::TestWindow> m_launcher;
    std::unique_ptr<dv::testing::ScopedCalibration> m_calibration;
};

}  // namespace dvfuzz

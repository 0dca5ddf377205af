// The monkey: many thousands of seeded random pen gestures, timer messages,
// close messages and touch calibrations against the settings dialog on the
// platform's doubles, with the dialog checked after every message:
//  - the drawing objects alive are exactly those of a freshly opened dialog;
//  - the settings file is always 26 bytes and holds the dialog's stored record;
//  - the click has been played to its end (no audio device left open);
//  - the touch page has ended, and the launcher was told calibration is over;
//  - a calibration never starts while one runs (a queued second tap acts once);
//  - after every pen up nothing is held, the pages' working copies equal the
//    stored record field by field, and the boot record's automatic power-on
//    flag agrees with it. Every pen up ends every interaction: it lets go of
//    the button, slider or bar held, and each of them commits what it changed
//    by then (a slider's value is set at its release, a bar's while it moves
//    and committed at the up). This holds for the downs without ups that the
//    platform passes on as well, which the monkey makes now and then.
//
// DIALVANE_MONKEY_SEED=N replays a run (the seed is printed at the start);
// DIALVANE_MONKEY_EVENTS=N sets the number of messages (default 50000).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "app/SettingsDlg.h"
#include "platform/Platform.h"
#include "platform/calibration/TouchCalibration.h"
#include "platform/gdi/ObjectCounts.h"
#include "platform/testing/FakeWaveOut.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/TestWindow.h"
#include "tests/monkey/PenMonkey.h"

namespace {

using monkey::Step;
using monkey::StepKind;

constexpr const char* kSeedVariable = "DIALVANE_MONKEY_SEED";
constexpr const char* kEventsVariable = "DIALVANE_MONKEY_EVENTS";
constexpr long kDefaultEvents = 50000;

// The unit's storage lives in memory when it can: every save makes the file
// and its folder durable, which on a disk would cost more than the rest of a
// message's handling.
constexpr const char* kScratchParents[] = {"/dev/shm", "/tmp"};
constexpr const char* kSettingsFile = "FlashMem/sysini/conf.ini";
constexpr const char* kFlashImage = "dev/FLS1.img";
constexpr off_t kBootFlagOffset = 2112 + 90;
constexpr const char* kJournals[] = {"BAK1", "IIC1", "FMT1", "FLS1", "WAV1"};

// What the doubles record is dropped this often, so that a long run does
// not grow.
constexpr long kHousekeepingEvents = 2000;
constexpr std::size_t kRecentSteps = 40;

constexpr int kPageCount = 5;
constexpr const char* kPageNames[kPageCount] = {"sound", "basic", "advanced", "touch", "main"};

// The preview picture's zone on the main menu; both ends count as inside.
constexpr RECT kPreviewZone = {216, 111, 405, 234};
constexpr int kCancelButton = 6;
constexpr int kFirstAdvanOption = 5;
constexpr int kLastBasicOption = 4;

// Every field of the stored record, in file order.
struct StoredField {
    const char* name;
    SHORT INIINFO::*field;
};
constexpr StoredField kStoredFields[] = {
    {"nPage", &INIINFO::nPage},
    {"nNaviVolume", &INIINFO::nNaviVolume},
    {"nDmbVolume", &INIINFO::nDmbVolume},
    {"nAvInVolume", &INIINFO::nAvInVolume},
    {"nAutoStart", &INIINFO::nAutoStart},
    {"nBright", &INIINFO::nBright},
    {"nContrast", &INIINFO::nContrast},
    {"nAutoPowerOn", &INIINFO::nAutoPowerOn},
    {"nRearCamera", &INIINFO::nRearCamera},
    {"nFmtOn", &INIINFO::nFmtOn},
    {"nFmtMhz", &INIINFO::nFmtMhz},
    {"nFmtDecimal", &INIINFO::nFmtDecimal},
    {"PiKoMute", &INIINFO::PiKoMute},
};

// The pages' working copies and the stored fields they mirror.
struct WorkingField {
    const char* name;
    SHORT INIINFO::*stored;
    SHORT (*working)(const CSettingsDlg&);
};
constexpr WorkingField kWorkingFields[] = {
    {"SoundPageData.nNaviVolume", &INIINFO::nNaviVolume,
     [](const CSettingsDlg& d) { return d.SoundPageData.nNaviVolume; }},
    {"SoundPageData.nDmbVolume", &INIINFO::nDmbVolume,
     [](const CSettingsDlg& d) { return d.SoundPageData.nDmbVolume; }},
    {"SoundPageData.nAvInVolume", &INIINFO::nAvInVolume,
     [](const CSettingsDlg& d) { return d.SoundPageData.nAvInVolume; }},
    {"BasicPageData.nAutoStart", &INIINFO::nAutoStart,
     [](const CSettingsDlg& d) { return d.BasicPageData.nAutoStart; }},
    {"BasicPageData.nBright", &INIINFO::nBright,
     [](const CSettingsDlg& d) { return d.BasicPageData.nBright; }},
    {"BasicPageData.nContrast", &INIINFO::nContrast,
     [](const CSettingsDlg& d) { return d.BasicPageData.nContrast; }},
    {"BasicPageData.nAutoPowerOn", &INIINFO::nAutoPowerOn,
     [](const CSettingsDlg& d) { return d.BasicPageData.nAutoPowerOn; }},
    {"AdvanPageDAta.nRearCamera", &INIINFO::nRearCamera,
     [](const CSettingsDlg& d) { return d.AdvanPageDAta.nRearCamera; }},
    {"AdvanPageDAta.nFmtOn", &INIINFO::nFmtOn,
     [](const CSettingsDlg& d) { return d.AdvanPageDAta.nFmtOn; }},
    {"AdvanPageDAta.nFmtMhz", &INIINFO::nFmtMhz,
     [](const CSettingsDlg& d) { return d.AdvanPageDAta.nFmtMhz; }},
    {"AdvanPageDAta.nFmtDecimal", &INIINFO::nFmtDecimal,
     [](const CSettingsDlg& d) { return d.AdvanPageDAta.nFmtDecimal; }},
    {"AdvanPageDAta.PiKoMute", &INIINFO::PiKoMute,
     [](const CSettingsDlg& d) { return d.AdvanPageDAta.PiKoMute; }},
};

// What the monkey is seen to reach, judged from the dialog's own state: a
// button whose action ran, a slider or bar released after being held, a pen
// down inside an option rectangle or the preview, and the other messages.
enum Reach {
    kIconSound,
    kIconBasic,
    kIconAdvanced,
    kIconTouch,
    kCloseButton,
    kOkButton,
    kDefaultButton,
    kPreview,
    kCancelArea,
    kSliderNavi,
    kSliderDmb,
    kSliderAvIn,
    kBarBright,
    kBarContrast,
    kOption0,  // option rectangles 0..10 follow in order
    kFmTimer = kOption0 + OPTION_RECT_COUNT,
    kOtherTimer,
    kDoubleTap,
    kCloseMessage,
    kCalibration,
    kReachCount,
};
constexpr const char* kReachNames[kReachCount] = {
    "icon sound",         "icon basic",        "icon advanced",   "icon touch",
    "close button",       "OK button",         "Default button",  "preview picture",
    "Cancel area (dead)", "slider navigation", "slider DMB",      "slider AV-IN",
    "bar brightness",     "bar contrast",      "auto start none", "auto start navi",
    "auto start DMB",     "auto power off",    "auto power on",   "voice navi only",
    "voice navi+media",   "rear camera off",   "rear camera on",  "FM off area (dead)",
    "FM on area (dead)",  "FM repeat timer",   "other timer",     "double tap",
    "close message",      "calibration",
};
// The button whose action ran, as a Reach (button 6, Cancel, has none).
constexpr int kButtonReach[IMAGE_BUTTON_COUNT] = {
    kIconSound, kIconBasic, kIconAdvanced, kIconTouch, kCloseButton, kOkButton, -1, kDefaultButton,
};

struct PageCounts {
    long events = 0;   // messages handled while the page was shown
    long visits = 0;   // times the page was entered
    long commits = 0;  // records saved with this page
};

int PageIndex(SHORT page) {
    return (page >= PAGE_SOUND && page <= PAGE_MAIN) ? page : PAGE_MAIN;
}

bool InZone(const RECT& zone, POINT pt) {
    return pt.x >= zone.left && pt.x <= zone.right && pt.y >= zone.top && pt.y <= zone.bottom;
}

LPARAM PenLParam(POINT pt) {
    return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(pt.x)),
                      static_cast<WORD>(static_cast<SHORT>(pt.y)));
}

// A pen point as a 16-bit coordinate pair carries it.
POINT Carried(POINT pt) {
    return {static_cast<SHORT>(std::clamp<LONG>(pt.x, -32768, 32767)),
            static_cast<SHORT>(std::clamp<LONG>(pt.y, -32768, 32767))};
}

uint64_t SeedFromEnvironment() {
    if (const char* text = std::getenv(kSeedVariable); text != nullptr && *text != '\0') {
        return std::strtoull(text, nullptr, 0);
    }
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}

long EventsFromEnvironment() {
    if (const char* text = std::getenv(kEventsVariable); text != nullptr && *text != '\0') {
        char* end = nullptr;
        long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n > 0) {
            return n;
        }
        std::printf("[ monkey ] %s=%s is not a positive count; using %ld\n", kEventsVariable, text,
                    kDefaultEvents);
    }
    return kDefaultEvents;
}

std::string CountsText(const dv::gdi::ObjectCounts& c) {
    std::ostringstream s;
    s << "dcs " << c.dcs << ", bitmaps " << c.bitmaps << ", fonts " << c.fonts;
    return s.str();
}

std::filesystem::path MakeScratchFolder() {
    for (const char* parent : kScratchParents) {
        std::string pattern = std::string(parent) + "/dialvane-monkey-XXXXXX";
        if (::access(parent, W_OK) == 0 && ::mkdtemp(pattern.data()) != nullptr) {
            return pattern;
        }
    }
    return {};
}

class MonkeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_base = MakeScratchFolder();
        ASSERT_FALSE(m_base.empty());
        m_root = m_base / "unit";
        setenv("DIALVANE_ROOT", m_root.c_str(), 1);
        setenv("DIALVANE_DISPLAY", "none", 1);
        ASSERT_TRUE(dv::ProvisionDeviceRoot());
        m_launcher = std::make_unique<dv::testing::TestWindow>(kLauncherTitle);
        m_audio.emplace();
        dv::SetTouchCalibrationRoutine([this] { return Calibrate(); });
    }

    void TearDown() override {
        if (IsOpen()) {
            m_dlg->DestroyWindow();
        }
        Drain();
        m_dlg.reset();
        dv::SetTouchCalibrationRoutine({});
        m_launcher.reset();
        m_audio.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_base, ec);
    }

    const std::filesystem::path& Root() const { return m_root; }

    void Run() {
        m_seed = SeedFromEnvironment();
        const long total = EventsFromEnvironment();
        std::printf("[ monkey ] seed %llu, %ld events (%s=%llu replays this run)\n",
                    static_cast<unsigned long long>(m_seed), total, kSeedVariable,
                    static_cast<unsigned long long>(m_seed));
        std::fflush(stdout);
        m_monkey.emplace(m_seed);
        m_withoutDialog = dv::gdi::LiveObjectCounts();
        if (!Open()) {
            return;
        }
        m_withDialog = dv::gdi::LiveObjectCounts();
        const auto start = std::chrono::steady_clock::now();
        const bool clean = CheckWorkingCopies("at the first start") && RunEvents(total);
        Report(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (clean && total >= kDefaultEvents) {
            ExpectEverythingReached();
        }
    }

    // Delivers the monkey's messages one by one, each followed by the
    // loop's idle work (paints), and checks the dialog after each. False at
    // the first check that fails.
    bool RunEvents(long total) {
        std::deque<Step> gesture;
        long nextHousekeeping = kHousekeepingEvents;
        while (m_events < total) {
            if (gesture.empty()) {
                m_monkey->NextGesture(m_dlg->m_nCurPage, gesture);
            }
            Step step;
            if (!m_monkey->Interleave(step)) {
                step = gesture.front();
                gesture.pop_front();
            }
            Deliver(step);
            Idle();
            if (!CheckAfter(step) || (!IsOpen() && !Reopen())) {
                return false;
            }
            if (m_events >= nextHousekeeping) {
                Housekeeping();
                nextHousekeeping = m_events + kHousekeepingEvents;
            }
        }
        return true;
    }

    bool IsOpen() const { return m_dlg && m_dlg->m_hWnd != nullptr; }

    bool Open() {
        m_dlg = std::make_unique<CSettingsDlg>();
        if (!m_dlg->Create(IDD_SETTINGS_DIALOG)) {
            return Fail("the dialog was not created");
        }
        Idle();
        m_launcher->Clear();
        m_touchCalOn = false;
        m_lastPage = m_dlg->m_nCurPage;
        ++m_pages[PageIndex(m_lastPage)].visits;
        return true;
    }

    void Idle() {
        dv::testing::PumpMessagesUntilIdle();
        if (m_dlg && m_dlg->m_hWnd == nullptr) {
            Drain();
        }
    }

    // A closed dialog has posted the quit that ends its modal loop.
    void Drain() {
        dv::testing::ClearPendingQuit();
        dv::testing::PumpMessagesUntilIdle();
        dv::testing::ClearPendingQuit();
    }

    // Sends one message as the dialog's loop would hand it over, and notes
    // what the dialog was seen to reach.
    void Deliver(const Step& step) {
        CSettingsDlg& dlg = *m_dlg;
        ++m_events;
        Remember(step);
        ++m_pages[PageIndex(dlg.m_nCurPage)].events;
        const POINT pt = Carried(step.pt);
        switch (step.kind) {
            case StepKind::Down:
                NoteDown(dlg, pt);
                dlg.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, PenLParam(pt));
                break;
            case StepKind::Move:
                dlg.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, PenLParam(pt));
                break;
            case StepKind::Up:
                DeliverUp(dlg, pt);
                break;
            case StepKind::DoubleClick:
                ++m_reached[kDoubleTap];
                dlg.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, PenLParam(pt));
                break;
            case StepKind::Timer:
                ++m_reached[step.timerId == IDT_FM_REPEAT ? kFmTimer : kOtherTimer];
                dlg.SendMessage(WM_TIMER, step.timerId, 0);
                break;
            case StepKind::CloseMessage:
                ++m_reached[kCloseMessage];
                m_closesDuringCalibration += m_calibrationDepth > 0 ? 1 : 0;
                dlg.SendMessage(UM_CLOSE_SETTINGS, 0, 0);
                break;
        }
    }

    void NoteDown(const CSettingsDlg& dlg, POINT pt) {
        if (dlg.m_nCurPage == PAGE_MAIN && InZone(kPreviewZone, pt)) {
            ++m_reached[kPreview];
        }
        int first = -1;
        int last = -1;
        if (dlg.m_nCurPage == PAGE_BASIC) {
            first = 0;
            last = kLastBasicOption;
        } else if (dlg.m_nCurPage == PAGE_ADVAN) {
            first = kFirstAdvanOption;
            last = OPTION_RECT_COUNT - 1;
        }
        for (int i = first; i >= 0 && i <= last; ++i) {
            if (PtInRect(&dlg.m_rcHit[i], pt)) {
                ++m_reached[kOption0 + i];
                break;
            }
        }
        if (dlg.m_nCurPage != PAGE_TOUCH && PtInRect(&dlg.m_btn[kCancelButton].m_rect, pt)) {
            ++m_reached[kCancelArea];
        }
    }

    void DeliverUp(CSettingsDlg& dlg, POINT pt) {
        const int button = dlg.m_nPressedBtn;
        const bool acts =
            button >= 0 && button < IMAGE_BUTTON_COUNT && PtInRect(&dlg.m_btn[button].m_rect, pt);
        const int slider = dlg.m_nDragSlider;
        const int bar = dlg.m_nDragBar;
        dlg.SendMessage(WM_LBUTTONUP, 0, PenLParam(pt));
        if (acts && kButtonReach[button] >= 0) {
            ++m_reached[kButtonReach[button]];
            // Default tells the launcher "sound page" without a commit.
            m_defaultNotices += kButtonReach[button] == kDefaultButton ? 1 : 0;
        }
        if (slider >= 0 && slider < VOLUME_SLIDER_COUNT) {
            ++m_reached[kSliderNavi + slider];
        }
        if (bar == BAR_BRIGHT || bar == BAR_CONTRAST) {
            ++m_reached[bar == BAR_BRIGHT ? kBarBright : kBarContrast];
        }
    }

    // The calibration screen's stand-in. Like the real screen it runs a loop
    // of its own, which hands the dialog what was queued before the screen
    // took the pen (a second tap made while the click played, a timer, the
    // launcher's close), and leaves the dialog to repaint.
    BOOL Calibrate() {
        ++m_reached[kCalibration];
        ++m_pages[PAGE_TOUCH].visits;
        if (m_calibrationDepth > 0 && !m_nestedFailure) {
            // A tap queued while the first was handled must not run it again.
            m_nestedFailure = !Fail("a calibration started while one was running");
        }
        if (m_calibrationDepth == 0 && m_monkey) {
            ++m_calibrationDepth;
            std::deque<Step> queued;
            m_monkey->QueuedDuringCalibration(queued);
            for (const Step& step : queued) {
                if (!IsOpen() || m_nestedFailure) {
                    break;
                }
                Deliver(step);
                m_nestedFailure = m_nestedFailure || !CheckNested();
            }
            --m_calibrationDepth;
        }
        if (IsOpen()) {
            ::InvalidateRect(m_dlg->m_hWnd, nullptr, FALSE);
        }
        return TRUE;
    }

    // The launcher's view: commits by page, and whether it was told that
    // calibration runs.
    void NoteLauncherMessages() {
        for (const auto& m : m_launcher->Messages()) {
            if (m.message == UM_SETTINGS_PAGE) {
                if (m.wParam == static_cast<WPARAM>(PAGE_SOUND) && m_defaultNotices > 0) {
                    --m_defaultNotices;
                    continue;
                }
                ++m_pages[PageIndex(static_cast<SHORT>(m.wParam))].commits;
            } else if (m.message == UM_TOUCH_CAL) {
                m_touchCalOn = m.wParam != 0;
            }
        }
        m_launcher->Clear();
        m_defaultNotices = 0;
    }

    // What must hold between two messages handed over inside the
    // calibration, while the handler that started it waits.
    bool CheckNested() {
        INIINFO file{};
        if (!ReadStored(file)) {
            return false;
        }
        if (std::memcmp(&file, &m_dlg->m_IniInfo, sizeof file) != 0) {
            return Fail("the dialog's stored record differs from the file:" +
                        StoredDifferences(file, m_dlg->m_IniInfo));
        }
        if (auto now = dv::gdi::LiveObjectCounts(); IsOpen() && now != m_withDialog) {
            return Fail("drawing objects alive: " + CountsText(now) + "; with the dialog open " +
                        CountsText(m_withDialog));
        }
        return true;
    }

    bool CheckAfter(const Step& step) {
        if (m_nestedFailure) {
            return false;
        }
        NoteLauncherMessages();
        INIINFO file{};
        if (!ReadStored(file)) {
            return false;
        }
        if (std::memcmp(&file, &m_dlg->m_IniInfo, sizeof file) != 0) {
            return Fail("the dialog's stored record differs from the file:" +
                        StoredDifferences(file, m_dlg->m_IniInfo));
        }
        if (!IsOpen()) {
            // Counted closes: the message's are counted when sent.
            return true;
        }
        NotePageChange();
        if (auto now = dv::gdi::LiveObjectCounts(); now != m_withDialog) {
            return Fail("drawing objects alive: " + CountsText(now) + "; with the dialog open " +
                        CountsText(m_withDialog));
        }
        if (m_audio->OpenHandles() != 0) {
            return Fail("the click left the audio device open");
        }
        if (m_dlg->m_nCurPage == PAGE_TOUCH) {
            return Fail("the touch page is still shown after the dialog went idle");
        }
        if (m_touchCalOn) {
            return Fail("the launcher was not told that calibration is over");
        }
        if (step.kind == StepKind::Up) {
            return CheckInteractionEnded(file);
        }
        return true;
    }

    void NotePageChange() {
        if (m_dlg->m_nCurPage != m_lastPage) {
            m_lastPage = m_dlg->m_nCurPage;
            ++m_pages[PageIndex(m_lastPage)].visits;
        }
    }

    // A pen up ends every interaction: nothing stays held, and whatever it
    // changed has been committed.
    bool CheckInteractionEnded(const INIINFO& file) {
        const CSettingsDlg& dlg = *m_dlg;
        if (dlg.m_nPressedBtn != BTN_NONE || dlg.m_nDragSlider != DRAG_NONE ||
            dlg.m_nDragBar != DRAG_NONE || dlg.m_bBarChanged != 0) {
            return Fail("something is still held after the pen up");
        }
        if (!CheckWorkingCopies("after the pen up")) {
            return false;
        }
        const int flag = BootFlag();
        const int expected = file.nAutoPowerOn == AUTOPOWER_ON ? 1 : 0;
        if (flag != expected) {
            return Fail("boot record flag " + std::to_string(flag) + " but stored nAutoPowerOn " +
                        std::to_string(file.nAutoPowerOn));
        }
        return true;
    }

    bool CheckWorkingCopies(const char* when) {
        INIINFO file{};
        if (!ReadStored(file)) {
            return false;
        }
        std::string diff;
        for (const WorkingField& f : kWorkingFields) {
            const SHORT working = f.working(*m_dlg);
            if (working != file.*f.stored) {
                diff += std::string(" ") + f.name + " " + std::to_string(working) + " but stored " +
                        std::to_string(file.*f.stored) + ";";
            }
        }
        if (!diff.empty()) {
            return Fail(std::string("working copies differ from the file ") + when + ":" + diff);
        }
        return true;
    }

    bool Reopen() {
        ++m_reopens;
        m_dlg.reset();
        Drain();
        if (auto now = dv::gdi::LiveObjectCounts(); now != m_withoutDialog) {
            return Fail("drawing objects left after the dialog closed: " + CountsText(now) +
                        "; before it opened " + CountsText(m_withoutDialog));
        }
        if (!Open()) {
            return false;
        }
        if (auto now = dv::gdi::LiveObjectCounts(); now != m_withDialog) {
            return Fail("a reopened dialog holds " + CountsText(now) + ", the first held " +
                        CountsText(m_withDialog));
        }
        return CheckWorkingCopies("after reopening");
    }

    void Housekeeping() {
        m_log.Clear();
        for (const char* journal : kJournals) {
            std::error_code ec;
            std::filesystem::remove(m_root / "dev" / (std::string(journal) + ".log"), ec);
        }
        // The audio double keeps every buffer written; a fresh one forgets them.
        m_audio.reset();
        m_audio.emplace();
    }

    bool ReadStored(INIINFO& out) {
        const std::string path = (Root() / kSettingsFile).string();
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return Fail("the settings file cannot be opened");
        }
        char bytes[sizeof(INIINFO) + 1];
        const ssize_t n = ::read(fd, bytes, sizeof bytes);
        ::close(fd);
        if (n != static_cast<ssize_t>(sizeof(INIINFO))) {
            return Fail("the settings file holds " + std::to_string(n) + " bytes, not 26");
        }
        std::memcpy(&out, bytes, sizeof out);
        return true;
    }

    int BootFlag() const {
        const std::string path = (Root() / kFlashImage).string();
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        unsigned char flag = 0xFF;
        if (fd >= 0) {
            if (::pread(fd, &flag, 1, kBootFlagOffset) != 1) {
                flag = 0xFF;
            }
            ::close(fd);
        }
        return flag;
    }

    static std::string StoredDifferences(const INIINFO& file, const INIINFO& memory) {
        std::string diff;
        for (const StoredField& f : kStoredFields) {
            if (file.*f.field != memory.*f.field) {
                diff += std::string(" ") + f.name + " file " + std::to_string(file.*f.field) +
                        ", memory " + std::to_string(memory.*f.field) + ";";
            }
        }
        return diff;
    }

    void Remember(const Step& step) {
        if (m_recent.size() == kRecentSteps) {
            m_recent.pop_front();
        }
        const char* page = kPageNames[PageIndex(m_dlg->m_nCurPage)];
        m_recent.push_back("#" + std::to_string(m_events) + " " + page + ": " +
                           monkey::Describe(step) + (m_calibrationDepth > 0 ? " (nested)" : ""));
    }

    bool Fail(const std::string& what) {
        std::string recent;
        for (const std::string& line : m_recent) {
            recent += "  " + line + "\n";
        }
        ADD_FAILURE() << "seed " << m_seed << ", event " << m_events << ": " << what
                      << "\nlast messages:\n"
                      << recent;
        return false;
    }

    void Report(double seconds) const {
        std::printf("[ monkey ] %ld events in %.1f s (%.0f/s), seed %llu\n", m_events, seconds,
                    m_events / seconds, static_cast<unsigned long long>(m_seed));
        std::printf("[ monkey ] %-9s %9s %8s %8s\n", "page", "events", "visits", "commits");
        for (int p = 0; p < kPageCount; ++p) {
            std::printf("[ monkey ] %-9s %9ld %8ld %8ld\n", kPageNames[p], m_pages[p].events,
                        m_pages[p].visits, m_pages[p].commits);
        }
        std::printf(
            "[ monkey ] calibrations %ld, closes %ld (message %ld, button %ld, %ld during "
            "calibration), reopened %ld times\n",
            m_reached[kCalibration], m_reached[kCloseMessage] + m_reached[kCloseButton],
            m_reached[kCloseMessage], m_reached[kCloseButton], m_closesDuringCalibration,
            m_reopens);
        std::printf("[ monkey ] reached:");
        for (int r = 0; r < kReachCount; ++r) {
            std::printf("%s %s %ld", r % 4 == 0 ? "\n[ monkey ]  " : ",", kReachNames[r],
                        m_reached[r]);
        }
        std::printf("\n");
        std::fflush(stdout);
    }

    void ExpectEverythingReached() const {
        for (int p = 0; p < kPageCount; ++p) {
            EXPECT_GT(m_pages[p].visits, 0) << kPageNames[p];
            EXPECT_GT(m_pages[p].events, 0) << kPageNames[p];
        }
        for (SHORT p : {PAGE_SOUND, PAGE_BASIC, PAGE_ADVAN, PAGE_TOUCH}) {
            EXPECT_GT(m_pages[p].commits, 0) << kPageNames[p];
        }
        for (int r = 0; r < kReachCount; ++r) {
            EXPECT_GT(m_reached[r], 0) << kReachNames[r];
        }
    }

    dv::testing::LogCapture m_log;
    std::filesystem::path m_base;
    std::filesystem::path m_root;
    std::unique_ptr<dv::testing::TestWindow> m_launcher;
    std::optional<dv::testing::FakeWaveOut> m_audio;
    std::unique_ptr<CSettingsDlg> m_dlg;
    std::optional<monkey::PenMonkey> m_monkey;
    uint64_t m_seed = 0;
    long m_events = 0;
    dv::gdi::ObjectCounts m_withoutDialog;
    dv::gdi::ObjectCounts m_withDialog;
    std::deque<std::string> m_recent;
    std::array<PageCounts, kPageCount> m_pages{};
    std::array<long, kReachCount> m_reached{};
    SHORT m_lastPage = PAGE_MAIN;
    int m_calibrationDepth = 0;
    long m_closesDuringCalibration = 0;
    long m_reopens = 0;
    int m_defaultNotices = 0;
    bool m_touchCalOn = false;
    bool m_nestedFailure = false;
};

TEST_F(MonkeyTest, RandomPenEventsKeepTheDialogConsistent) {
    Run();
}

}  // namespace

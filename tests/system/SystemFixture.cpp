#include "tests/system/SystemFixture.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include "platform/Platform.h"

namespace {

constexpr std::array<const char*, 13> kFieldNames = {
    "nPage",   "nNaviVolume", "nDmbVolume",   "nAvInVolume", "nAutoStart",
    "nBright", "nContrast",   "nAutoPowerOn", "nRearCamera", "nFmtOn",
    "nFmtMhz", "nFmtDecimal", "PiKoMute"};
constexpr const char* kDevices[] = {"BAK1", "IIC1", "FMT1", "FLS1"};
constexpr const wchar_t* kTouchKey = L"HARDWARE\\DEVICEMAP\\TOUCH";
constexpr const char* kEmptyRegistry = "Windows Registry Editor Version 5.00\r\n\r\n";
constexpr const char* kSettingsFile = "FlashMem/sysini/conf.ini";
constexpr const char* kTouchCalFile = "FlashMem/sysini/touchcal.ini";
constexpr std::size_t kBootFlagOffset = 2112 + 90;

struct PageIcon {
    const char* name;
    const char* tap;
};
constexpr PageIcon kPageIcons[] = {
    {"sound", "tap 44 175"}, {"basic", "tap 110 145"}, {"advanced", "tap 169 103"}};

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in{std::string(text)};
    for (std::string part; std::getline(in, part, separator);) {
        part.erase(0, part.find_first_not_of(' '));
        part.erase(part.find_last_not_of(' ') + 1);
        if (!part.empty()) {
            parts.push_back(part);
        }
    }
    return parts;
}

std::vector<BYTE> FromHex(std::string_view hex) {
    std::vector<BYTE> bytes;
    for (const std::string& byte : Split(hex, ' ')) {
        bytes.push_back(static_cast<BYTE>(std::stoul(byte, nullptr, 16)));
    }
    return bytes;
}

// A REG_SZ value: the text widened, with its terminator.
std::vector<BYTE> WideString(const std::string& text) {
    const std::u16string wide = std::u16string(text.begin(), text.end()) + u'\0';
    std::vector<BYTE> bytes(wide.size() * 2);
    std::memcpy(bytes.data(), wide.data(), bytes.size());
    return bytes;
}

std::string_view Bytes(const void* data, std::size_t size) {
    return {static_cast<const char*>(data), size};
}

}  // namespace

INIINFO SystemTest::ParseRecord(INIINFO base, std::string_view assignments) {
    std::array<SHORT, 13> fields;
    std::memcpy(fields.data(), &base, sizeof base);
    for (const std::string& item : Split(assignments, ' ')) {
        const auto eq = item.find('=');
        const auto name = std::find(kFieldNames.begin(), kFieldNames.end(), item.substr(0, eq));
        if (eq == std::string::npos || name == kFieldNames.end()) {
            ADD_FAILURE() << "not a field assignment: " << item;
            continue;
        }
        fields[static_cast<std::size_t>(name - kFieldNames.begin())] =
            static_cast<SHORT>(std::stoi(item.substr(eq + 1)));
    }
    std::memcpy(&base, fields.data(), sizeof base);
    return base;
}

std::string SystemTest::Describe(const INIINFO& record) {
    std::array<SHORT, 13> fields;
    std::memcpy(fields.data(), &record, sizeof record);
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        out += std::string(i == 0 ? "" : " ") + kFieldNames[i] + "=" + std::to_string(fields[i]);
    }
    return out;
}

void SystemTest::SetUp() {
    ::setenv("DIALVANE_DISPLAY", "none", 1);
    m_root = std::make_unique<dv::testing::ScopedDeviceRoot>(
        dv::testing::ScopedDeviceRoot::Shape::Provisioned);
}

void SystemTest::TearDown() {
    if (m_dlg && m_dlg->m_hWnd != nullptr) {
        m_dlg->DestroyWindow();
    }
    dv::testing::PumpMessagesUntilIdle();
    dv::testing::ClearPendingQuit();
    m_dlg.reset();
    m_calibration.reset();
    m_launcher.reset();
    m_root.reset();
}

void SystemTest::Start(std::string_view setup) {
    m_start.record = kFactoryIniInfo;
    bool writeRecord = true;
    for (const std::string& item : Split(setup, ';')) {
        if (item.find('=') != std::string::npos && item.find(' ') == std::string::npos) {
            m_start.record = ParseRecord(m_start.record, item);
            continue;
        }
        writeRecord &= item != "nofile" && item != "nosysini" && !item.starts_with("conf ");
        ApplySetupItem(item);
    }
    if (writeRecord) {
        m_root->WriteFile(kSettingsFile, Bytes(&m_start.record, sizeof m_start.record));
    }
    if (m_withLauncher) {
        m_launcher = std::make_unique<dv::testing::TestWindow>(L"Launcher_Tulvo");
    }
    // Like the real screen, the stand-in leaves the dialog to repaint.
    m_calibration = std::make_unique<dv::testing::ScopedCalibration>([this] {
        ++m_calibrations;
        if (m_calibrationStores) {
            SetRegistryValue(REG_SZ, WideString(*m_calibrationStores));
        }
        if (m_calibrationPost) {
            const LPARAM at = MAKELPARAM(m_calibrationPost->x, m_calibrationPost->y);
            m_dlg->PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
            m_dlg->PostMessage(WM_LBUTTONUP, 0, at);
        }
        ::InvalidateRect(m_dlg->m_hWnd, nullptr, FALSE);
        return TRUE;
    });
    m_dlg = std::make_unique<CSettingsDlg>();
    ASSERT_TRUE(m_dlg->Create(IDD_SETTINGS_DIALOG));
    dv::testing::PumpMessagesUntilIdle();
    for (const PageIcon& icon : kPageIcons) {
        if (m_openPage == icon.name) {
            Run(icon.tap);
            m_start.record = StoredRecord().value_or(m_start.record);
        }
    }
    m_start.log = m_log.Text();
    m_start.page = m_dlg->m_nCurPage;
    m_start.bootFlag = BootFlag();
    m_start.touchCal = TouchCal();
    Mark();
}

void SystemTest::ApplySetupItem(const std::string& item) {
    const auto space = item.find(' ');
    const std::string verb = item.substr(0, space);
    const std::string arg = space == std::string::npos ? "" : item.substr(space + 1);
    const auto argEnd = arg.find(' ');
    if (verb == "conf") {
        const std::vector<BYTE> bytes = FromHex(arg);
        m_root->WriteFile(kSettingsFile, Bytes(bytes.data(), bytes.size()));
    } else if (verb == "nosysini") {
        std::filesystem::remove_all(*m_root / "FlashMem/sysini");
    } else if (verb == "absent" || verb == "switch") {
        m_root->WriteFile("dev/" + arg + (verb == "absent" ? ".absent" : ""), "");
    } else if (verb == "bootflag") {
        std::string image = m_root->ReadFile("dev/FLS1.img");
        image[kBootFlagOffset] = static_cast<char>(std::stoi(arg));
        m_root->WriteFile("dev/FLS1.img", image);
    } else if (verb == "reg") {
        SetRegistryValue(REG_SZ, WideString(arg));
    } else if (verb == "regraw") {
        SetRegistryValue(static_cast<DWORD>(std::stoul(arg.substr(0, argEnd))),
                         FromHex(arg.substr(argEnd + 1)));
    } else if (verb == "regkey") {
        m_root->WriteFile("registry.reg", kEmptyRegistry);
    } else if (verb == "cal") {
        m_calibrationStores = arg;
    } else if (verb == "calpost") {
        m_calibrationPost = POINT{std::stoi(arg.substr(0, argEnd)), std::stoi(arg.substr(argEnd))};
    } else if (verb == "file") {
        m_root->WriteFile(arg.substr(0, argEnd), arg.substr(argEnd + 1));
    } else if (verb == "dir") {
        m_root->MakeFolder(arg);
    } else if (verb == "nolauncher") {
        m_withLauncher = false;
    } else if (verb == "page") {
        m_openPage = arg;
    } else if (verb != "nofile") {
        ADD_FAILURE() << "unknown setup item: " << item;
    }
}

void SystemTest::SetRegistryValue(DWORD type, const std::vector<BYTE>& bytes) const {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTouchKey, 0, nullptr, 0, 0, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, L"CalibrationData", 0, type, bytes.data(),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void SystemTest::Run(std::string_view script) {
    for (const std::string& step : Split(script, ';')) {
        Step(step);
        dv::testing::PumpMessagesUntilIdle();
    }
}

void SystemTest::Step(std::string_view step) {
    static const std::map<std::string, UINT> kPen = {{"down", WM_LBUTTONDOWN},
                                                     {"move", WM_MOUSEMOVE},
                                                     {"up", WM_LBUTTONUP},
                                                     {"dbl", WM_LBUTTONDBLCLK}};
    const std::vector<std::string> words = Split(step, ' ');
    const std::string& verb = words[0];
    auto number = [&](std::size_t i) { return std::stoi(words.at(i), nullptr, 0); };
    auto pen = [&](UINT message) {
        m_dlg->SendMessage(message, MK_LBUTTON, MAKELPARAM(number(1), number(2)));
    };
    if (const auto it = kPen.find(verb); it != kPen.end()) {
        pen(it->second);
    } else if (verb == "tap") {
        pen(WM_LBUTTONDOWN);
        dv::testing::PumpMessagesUntilIdle();
        pen(WM_LBUTTONUP);
    } else if (verb == "timer") {
        m_dlg->SendMessage(WM_TIMER, static_cast<WPARAM>(number(1)), 0);
    } else if (verb == "key") {
        // As the modal loop hands it over: pre-translated, then dispatched.
        MSG msg{m_dlg->m_hWnd, WM_KEYDOWN, static_cast<WPARAM>(number(1)), 0, 0, {0, 0}};
        if (!m_dlg->PreTranslateMessage(&msg)) {
            m_dlg->SendMessage(msg.message, msg.wParam, msg.lParam);
        }
    } else if (verb == "close") {
        m_dlg->SendMessage(UM_CLOSE_SETTINGS, 0, 0);
    } else if (verb == "repaint") {
        ::InvalidateRect(m_dlg->m_hWnd, nullptr, FALSE);
    } else if (verb == "mark") {
        Mark();
    } else {
        ADD_FAILURE() << "unknown script step: " << step;
    }
}

void SystemTest::Mark() {
    m_log.Clear();
    if (m_launcher) {
        m_launcher->Clear();
    }
    m_audioMark = m_audio.Calls().size();
    for (const char* device : kDevices) {
        m_journalMarks[device] = ReadFile("dev/" + std::string(device) + ".log").size();
    }
}

std::string SystemTest::Journal(const std::string& device) const {
    std::string text = ReadFile("dev/" + device + ".log").substr(m_journalMarks.at(device));
    while (text.ends_with('\n')) {
        text.pop_back();
    }
    std::replace(text.begin(), text.end(), '\n', '|');
    return text;
}

std::string SystemTest::Launcher() const {
    std::string out;
    for (const auto& m :
         m_launcher ? m_launcher->Messages() : std::vector<dv::testing::RecordedMessage>{}) {
        std::string item = m.message == UM_SETTINGS_PAGE ? "S"
                           : m.message == UM_TOUCH_CAL   ? "T"
                                                         : "#" + std::to_string(m.message) + ":";
        item += std::to_string(static_cast<long long>(m.wParam));
        if (m.lParam != 0) {
            item += ":" + std::to_string(m.lParam);
        }
        out += (out.empty() ? "" : " ") + item;
    }
    return out;
}

std::string SystemTest::Audio() const {
    static const std::vector<std::string> kClick = {"open", "prepare", "write", "unprepare",
                                                    "close"};
    const auto calls = m_audio.Calls();
    std::string out;
    for (auto it = calls.begin() + static_cast<long>(m_audioMark); it != calls.end(); ++it) {
        std::string item = *it;
        if (calls.end() - it >= static_cast<long>(kClick.size()) &&
            std::equal(kClick.begin(), kClick.end(), it)) {
            item = "click";
            it += static_cast<long>(kClick.size()) - 1;
        } else if (item.starts_with("setvolume ")) {
            item = "vol:" + item.substr(10);
        }
        out += (out.empty() ? "" : " ") + item;
    }
    return out;
}

std::optional<INIINFO> SystemTest::StoredRecord() const {
    const std::string bytes = ReadFile(kSettingsFile);
    if (bytes.size() != sizeof(INIINFO)) {
        return std::nullopt;
    }
    INIINFO info;
    std::memcpy(&info, bytes.data(), sizeof info);
    return info;
}

std::optional<std::string> SystemTest::TouchCal() const {
    return Exists(kTouchCalFile) ? std::optional(ReadFile(kTouchCalFile)) : std::nullopt;
}

int SystemTest::BootFlag() const {
    const std::string image = ReadFile("dev/FLS1.img");
    return image.size() > kBootFlagOffset ? static_cast<unsigned char>(image[kBootFlagOffset]) : -1;
}

#include "tests/system/SystemFixture.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <utility>
#include <vector>

namespace {

constexpr std::array<const char*, 13> kFieldNames = {
    "nPage",   "nNaviVolume", "nDmbVolume",   "nAvInVolume", "nAutoStart",
    "nBright", "nContrast",   "nAutoPowerOn", "nRearCamera", "nFmtOn",
    "nFmtMhz", "nFmtDecimal", "PiKoMute"};
constexpr const char* kTouchCalFile = "FlashMem/sysini/touchcal.ini";
constexpr std::size_t kBootFlagOffset = 2112 + 90;

// The pages a test may open first, in the order of their main-menu icons.
constexpr const char* kPageNames[] = {"sound", "basic", "advanced"};

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

// The first word and the rest.
std::pair<std::string, std::string> Cut(const std::string& text) {
    const auto space = text.find(' ');
    return {text.substr(0, space), space == std::string::npos ? "" : text.substr(space + 1)};
}

std::string FromHex(std::string_view hex) {
    std::string bytes;
    for (const std::string& byte : Split(hex, ' ')) {
        bytes += static_cast<char>(std::stoul(byte, nullptr, 16));
    }
    return bytes;
}

// A REG_SZ value: the text widened, with its terminator.
std::string WideString(const std::string& text) {
    const std::u16string wide = std::u16string(text.begin(), text.end()) + u'\0';
    return {reinterpret_cast<const char*>(wide.data()), wide.size() * 2};
}

void SetRegistryValue(DWORD type, std::string_view bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\TOUCH", 0, nullptr, 0, 0,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, L"CalibrationData", 0, type,
                             reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

}  // namespace

INIINFO SystemTest::ParseRecord(INIINFO base, std::string_view assignments) {
    auto fields = std::bit_cast<std::array<SHORT, 13>>(base);
    for (const std::string& item : Split(assignments, ' ')) {
        const auto eq = item.find('=');
        const auto name = std::find(kFieldNames.begin(), kFieldNames.end(), item.substr(0, eq));
        if (eq == std::string::npos || name == kFieldNames.end()) {
            ADD_FAILURE() << "not a field assignment: " << item;
            continue;
        }
        fields[name - kFieldNames.begin()] = static_cast<SHORT>(std::stoi(item.substr(eq + 1)));
    }
    return std::bit_cast<INIINFO>(fields);
}

std::string SystemTest::Describe(const INIINFO& record) {
    const auto fields = std::bit_cast<std::array<SHORT, 13>>(record);
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        out += std::string(i == 0 ? "" : " ") + kFieldNames[i] + "=" + std::to_string(fields[i]);
    }
    return out;
}

void SystemTest::Start(std::string_view setup) {
    m_start.record = kFactoryIniInfo;
    bool writeRecord = true;
    for (const std::string& item : Split(setup, ';')) {
        const auto [verb, arg] = Cut(item);
        const auto [first, rest] = Cut(arg);
        // The record is written last unless an item leaves no file or writes its own.
        writeRecord &= verb != "nofile" && verb != "nosysini" && verb != "conf";
        if (verb.find('=') != std::string::npos) {
            m_start.record = ParseRecord(m_start.record, item);
        } else if (verb == "conf") {
            m_root->WriteFile(dvfuzz::kSettingsFile, FromHex(arg));
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
        } else if (verb == "regkey") {
            m_root->WriteFile("registry.reg", "Windows Registry Editor Version 5.00\r\n\r\n");
        } else if (verb == "cal") {
            m_calibrationStores = arg;
        } else if (verb == "calpost") {
            m_calibrationPost = POINT{std::stoi(first), std::stoi(rest)};
        } else if (verb == "file") {
            m_root->WriteFile(first, rest);
        } else if (verb == "dir") {
            m_root->MakeFolder(arg);
        } else if (verb == "page") {
            m_openPage = arg;
        } else if (verb != "nofile") {
            ADD_FAILURE() << "unknown setup item: " << item;
        }
    }
    if (writeRecord) {
        m_root->WriteFile(dvfuzz::kSettingsFile,
                          {reinterpret_cast<const char*>(&m_start.record), sizeof m_start.record});
    }
    m_launcher = std::make_unique<dv::testing::TestWindow>(L"Launcher_Tulvo");
    // Like the real screen, the stand-in leaves the dialog to repaint.
    m_calibration = std::make_unique<dv::testing::ScopedCalibration>([this] {
        ++m_calibrations;
        if (m_calibrationStores) {
            SetRegistryValue(REG_SZ, WideString(*m_calibrationStores));
        }
        if (m_calibrationPost) {
            const LPARAM at = MAKELPARAM(m_calibrationPost->x, m_calibrationPost->y);
            Dlg().PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
            Dlg().PostMessage(WM_LBUTTONUP, 0, at);
        }
        ::InvalidateRect(Dlg().m_hWnd, nullptr, FALSE);
        return TRUE;
    });
    m_run = std::make_unique<dvfuzz::DialogRun>();
    m_run->Open();
    if (const auto page = std::ranges::find(kPageNames, m_openPage); page != std::end(kPageNames)) {
        m_run->Tap(dvfuzz::kIconCentres[page - std::begin(kPageNames)]);
        m_start.record = StoredRecord().value_or(m_start.record);
    }
    m_start = {m_start.record, m_log.Text(), Dlg().m_nCurPage, BootFlag(), TouchCal()};
    Mark();
}

void SystemTest::Run(std::string_view script) {
    // The pen's messages take a point; the others a WPARAM, if anything.
    static const std::map<std::string, UINT> kMessages = {
        {"down", WM_LBUTTONDOWN},    {"move", WM_MOUSEMOVE}, {"up", WM_LBUTTONUP},
        {"dbl", WM_LBUTTONDBLCLK},   {"timer", WM_TIMER},    {"key", WM_KEYDOWN},
        {"close", UM_CLOSE_SETTINGS}};
    for (const std::string& step : Split(script, ';')) {
        const std::vector<std::string> words = Split(step, ' ');
        const std::string& verb = words[0];
        auto number = [&](std::size_t i) { return std::stoi(words.at(i), nullptr, 0); };
        const UINT message = kMessages.contains(verb) ? kMessages.at(verb) : 0;
        if (message >= WM_MOUSEMOVE && message <= WM_LBUTTONDBLCLK) {
            m_run->Pen(message, {number(1), number(2)});
        } else if (message != 0) {
            m_run->Deliver(message, words.size() > 1 ? static_cast<WPARAM>(number(1)) : 0);
        } else if (verb == "tap") {
            m_run->Tap({number(1), number(2)});
        } else if (verb == "repaint") {
            m_run->Repaint();
        } else {
            ADD_FAILURE() << "unknown script step: " << step;
        }
    }
}

void SystemTest::Mark() {
    m_log.Clear();
    m_launcher->Clear();
    m_audioMark = m_run->Audio().Calls().size();
    m_run->ForgetJournals();
}

std::string SystemTest::Launcher() const {
    std::string out;
    for (const auto& m : m_launcher->Messages()) {
        std::string item = m.message == UM_SETTINGS_PAGE ? "S"
                           : m.message == UM_TOUCH_CAL   ? "T"
                                                         : "#" + std::to_string(m.message) + ":";
        item += std::to_string(static_cast<long long>(m.wParam)) +
                (m.lParam != 0 ? ":" + std::to_string(m.lParam) : "");
        out += (out.empty() ? "" : " ") + item;
    }
    return out;
}

std::string SystemTest::Audio() const {
    const auto calls = m_run->Audio().Calls();
    std::string out;
    for (auto it = calls.begin() + static_cast<long>(m_audioMark); it != calls.end(); ++it) {
        out += (out.empty() ? "" : " ") + *it;
    }
    // Only setvolume has an argument, so a sound played whole shows as these words.
    out = std::regex_replace(out, std::regex("open prepare write unprepare close"), "click");
    return std::regex_replace(out, std::regex("setvolume "), "vol:");
}

std::optional<INIINFO> SystemTest::StoredRecord() const {
    const std::string bytes = m_root->ReadFile(dvfuzz::kSettingsFile);
    if (bytes.size() != sizeof(INIINFO)) {
        return std::nullopt;
    }
    INIINFO info;
    std::memcpy(&info, bytes.data(), sizeof info);
    return info;
}

std::optional<std::string> SystemTest::TouchCal() const {
    return Exists(kTouchCalFile) ? std::optional(m_root->ReadFile(kTouchCalFile)) : std::nullopt;
}

int SystemTest::BootFlag() const {
    const std::string image = m_root->ReadFile("dev/FLS1.img");
    return image.size() > kBootFlagOffset ? static_cast<unsigned char>(image[kBootFlagOffset]) : -1;
}

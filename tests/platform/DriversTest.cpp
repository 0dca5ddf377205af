// The simulated BAK1:, IIC1:, FMT1: and FLS1: devices: journals, state files, switches.

#include <map>

#include "Support.h"
#include "platform/Platform.h"
#include "platform/drivers/DriverTable.h"

namespace dv::test {
namespace {

constexpr DWORD kSetLevel = 0x2000, kEraseBlock = 0x2040;
constexpr DWORD kSector = 2112;
constexpr std::size_t kImageSize = 4096;

HANDLE OpenDevice(const std::string& name) {
    return CreateFileW(dv::Utf8ToWide(name + ":").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

BOOL Control(HANDLE h, DWORD code, std::vector<BYTE> input) {
    DWORD returned = 7;  // no device answers with data
    return DeviceIoControl(h, code, input.empty() ? nullptr : input.data(),
                           static_cast<DWORD>(input.size()), nullptr, 0, &returned, nullptr) &&
           returned == 0;
}

BOOL SetLevel(BYTE level) {
    HANDLE h = OpenDevice("bak1");  // names are not case sensitive
    const BOOL ok = h != INVALID_HANDLE_VALUE && Control(h, kSetLevel, {level});
    CloseHandle(h);
    return ok;
}

using Drivers = PlatformTest;  // a device's journal: ROOT/dev/NAME.log

// The journal of an open, one control call (its code and the input's bytes) and the close.
std::string OneCall(DWORD code, const std::vector<BYTE>& input) {
    char text[64];
    int n = std::snprintf(text, sizeof text, "ioctl 0x%08x%s", code, input.empty() ? "" : " in");
    for (BYTE b : input) {
        n += std::snprintf(text + n, sizeof text - n, " %02x", b);
    }
    return "open\n" + std::string(text, n) + "\nclose\n";
}

// Every call is journaled, refused ones too, with its error.
TEST_F(Drivers, ControlDevicesJournalEveryCallButKeepOnlyGoodOnesInTheirState) {
    const std::tuple<const char*, DWORD, std::vector<BYTE>, DWORD> calls[] = {
        {"BAK1", kSetLevel, {0x42}, 0},
        {"BAK1", kSetLevel, {0x42, 0x00}, ERROR_INVALID_PARAMETER},
        {"BAK1", 0x2001, {0x21}, ERROR_INVALID_PARAMETER},
        {"IIC1", 0, {0x8A, 0x70, 0x20}, 0},
        {"IIC1", 0, {0x8A, 0x74, 0xC0}, 0},
        {"IIC1", 0, {0x8C, 0x74, 0x11}, ERROR_GEN_FAILURE},
        {"IIC1", 0, {0x8A, 0x74}, ERROR_INVALID_PARAMETER},
        {"IIC1", 1, {0x8A, 0x74, 0x01}, ERROR_INVALID_PARAMETER},
        {"FMT1", 2, {0x00}, 0},
        {"FMT1", 1, {0x64, 0x03}, 0},
        {"FMT1", 2, {0x01}, 0},
        {"FMT1", 2, {0x07}, ERROR_INVALID_PARAMETER},
        {"FMT1", 1, {0x64}, ERROR_INVALID_PARAMETER},
        {"FMT1", 3, {}, ERROR_INVALID_PARAMETER}};
    std::map<std::string, std::string> journals;
    for (const auto& [device, code, input, error] : calls) {
        HANDLE h = OpenDevice(device);
        SetLastError(0);
        EXPECT_EQ(Control(h, code, input), error == ERROR_SUCCESS) << device << code;
        EXPECT_EQ(GetLastError(), error) << device << code;
        EXPECT_TRUE(CloseHandle(h));
        journals[device] += OneCall(code, input);
    }
    // Stream calls fail on control devices and files, control calls on closed handles.
    HANDLE h = OpenDevice("BAK1");
    BYTE b = 0;
    DWORD n = 9;
    EXPECT_EQ((ErrorOf([&] { return ReadFile(h, &b, 1, &n, nullptr); })), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(ErrorOf(WriteFile, h, &b, 1, &n, nullptr), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_FALSE(DeviceIoControl(h, kSetLevel, nullptr, 1, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(h);
    journals["BAK1"] += "open\nread 1\nwrite 1\nseek 0\nclose\n";
    EXPECT_EQ(ErrorOf([&] { return Control(h, kSetLevel, {1}); }), ERROR_INVALID_HANDLE);
    root.WriteFile("plain.txt", "x");
    HANDLE f = CreateFileW(L"\\plain.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(ErrorOf([&] { return Control(f, kSetLevel, {1}); }), ERROR_NOT_SUPPORTED);
    CloseHandle(f);
    for (const auto& [device, state] :
         {std::pair{"BAK1", "66\n"}, {"IIC1", ""}, {"FMT1", "standby 1\nfrequency 100.3\n"}}) {
        EXPECT_EQ(root.ReadFile("dev/" + std::string(device) + ".state"), state);
        EXPECT_EQ(root.ReadFile("dev/" + std::string(device) + ".log"), journals[device]);
    }
    const std::string regs = root.ReadFile("dev/IIC1.regs");
    ASSERT_EQ(regs.size(), 256u);
    EXPECT_EQ(regs.substr(0x70, 6), std::string("\x20\0\0\0\xC0\0", 6));
}

// Journals and state files stay open, yet what others do to them shows at the next call.
TEST_F(Drivers, WhatOthersDoToTheDeviceFolderIsSeenAtTheNextCall) {
    root.MakeFolder("dev");
    for (const std::string name : {"BAK1", "IIC1", "FMT1", "FLS1"}) {
        root.WriteFile("dev/" + name + ".absent", "");
        EXPECT_EQ(ErrorOf([&] { return OpenDevice(name) != INVALID_HANDLE_VALUE; }),
                  ERROR_DEV_NOT_EXIST);
        EXPECT_FALSE(root.Exists("dev/" + name + ".log")) << name;
    }
    std::filesystem::remove(root / "dev/BAK1.absent");
    EXPECT_TRUE(SetLevel(3));
    std::filesystem::rename(root / "dev/IIC1.absent", root / "dev/BAK1.absent");
    EXPECT_FALSE(SetLevel(4));
    std::filesystem::remove(root / "dev/BAK1.absent");
    std::filesystem::remove(root / "dev/BAK1.log");
    ASSERT_TRUE(SetLevel(11));
    EXPECT_EQ(root.ReadFile("dev/BAK1.log"), OneCall(kSetLevel, {11}));
    root.WriteFile("dev/BAK1.log", "");
    ASSERT_TRUE(SetLevel(12));
    EXPECT_EQ(root.ReadFile("dev/BAK1.log"), OneCall(kSetLevel, {12}));
    std::filesystem::rename(root / "dev/BAK1.log", root / "dev/old.log");
    ASSERT_TRUE(SetLevel(13));
    EXPECT_EQ(root.ReadFile("dev/BAK1.log"), OneCall(kSetLevel, {13}));
    EXPECT_EQ(root.ReadFile("dev/old.log"), OneCall(kSetLevel, {12}));
    root.WriteFile("dev/BAK1.state", "garbage that is long\n");
    ASSERT_TRUE(SetLevel(100));
    ASSERT_TRUE(SetLevel(9));
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "9\n");
    std::filesystem::remove_all(root / "dev");
    ASSERT_TRUE(SetLevel(4));
    EXPECT_EQ(root.ReadFile("dev/BAK1.log"), OneCall(kSetLevel, {4}));
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "4\n");
    int made = 0;  // a factory put in a name's place (any case) answers its opens; the last wins
    EXPECT_FALSE(dv::ReplaceDriverFactory(L"bak1:", [] { return nullptr; }));
    EXPECT_TRUE(dv::ReplaceDriverFactory(L"BAK1:", [&] { return ++made, nullptr; }));
    EXPECT_EQ(ErrorOf([] { return OpenDevice("BAK1") != INVALID_HANDLE_VALUE; }),
              ERROR_DEV_NOT_EXIST);
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(dv::ReplaceDriverFactory(L"Bak1:", {}));
    EXPECT_TRUE(SetLevel(6));
    root.WriteFile("dev/BAK1.fail-ioctl", "");  // the call is journaled, fails, changes nothing
    EXPECT_EQ(ErrorOf([] { return SetLevel(5); }), ERROR_GEN_FAILURE);
    EXPECT_TRUE(root.ReadFile("dev/BAK1.log").ends_with(OneCall(kSetLevel, {5})));
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "6\n");
}

constexpr int kRead = -1;  // the fill of a read

// Programming only clears bits until the erase; switch files fail or shorten calls.
TEST_F(Drivers, FlashKeepsToTheChipsRulesUnlessASwitchSaysOtherwise) {
    HANDLE h = OpenDevice("FLS1");
    const auto image = [&] { return root.ReadFile("dev/FLS1.img"); };
    const auto erase = [&] { return DWORD(Control(h, kEraseBlock, {66, 0, 0, 0})); };
    std::vector<BYTE> data;
    DWORD n = 0;
    // Writes count bytes of fill at offset, or reads them: the count moved, ~n when refused.
    const auto io = [&](DWORD offset, int fill, DWORD count = 512) {
        data.assign(count, BYTE(fill));
        n = 99;
        EXPECT_EQ(SetFilePointer(h, static_cast<LONG>(offset), nullptr, FILE_BEGIN), offset);
        const BOOL ok = fill == kRead ? ReadFile(h, data.data(), count, &n, nullptr)
                                      : WriteFile(h, data.data(), count, &n, nullptr);
        return ok ? n : ~n;
    };
    EXPECT_EQ((std::vector{io(kSector, 0x0F), io(kSector, 0xF0)}), std::vector<DWORD>(2, 512));
    EXPECT_EQ(image().substr(kSector, 512), std::string(512, '\0'));
    ASSERT_TRUE(erase());
    EXPECT_EQ(io(kSector, 0xA5), 512u);
    ASSERT_EQ(SetFilePointer(h, -512, nullptr, FILE_CURRENT), kSector);
    ASSERT_TRUE(ReadFile(h, data.data(), 512, &n, nullptr));
    EXPECT_EQ(data, std::vector<BYTE>(512, 0xA5));
    EXPECT_EQ(image(), std::string(kSector, '\xFF') + std::string(512, '\xA5') +
                           std::string(kImageSize - kSector - 512, '\xFF'));
    CloseHandle(h);
    EXPECT_EQ(root.ReadFile("dev/FLS1.log"),
              "open\nseek 2112\nwrite 512\nseek 2112\nwrite 512\nioctl 0x00002040 in 42 00 00 00\n"
              "seek 2112\nwrite 512\nseek -512 current\nread 512\nclose\n");

    h = OpenDevice("FLS1");
    for (const std::vector<BYTE>& input : std::vector<std::vector<BYTE>>{
             {65, 0, 0, 0}, {67, 0, 0, 0}, {66, 0}, {}, {66, 0, 0, 0, 0}}) {
        EXPECT_EQ(ErrorOf(Control, h, kEraseBlock, input), ERROR_INVALID_PARAMETER) << input.size();
    }
    EXPECT_EQ(SetFilePointer(h, kImageSize + 1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ((std::vector{io(kImageSize - 10, 0, 20), GetLastError(), io(kImageSize - 10, 0, 10)}),
              (std::vector{~0u, ERROR_INVALID_PARAMETER, 10u}));
    EXPECT_EQ(io(kImageSize - 10, kRead, 20), 10u);  // only what is left of the chip
    EXPECT_EQ(io(kImageSize, kRead, 20), 0u);

    const std::function<DWORD()> read = [&] { return io(kSector, kRead); };
    const std::tuple<const char*, const char*, std::function<DWORD()>, DWORD, DWORD> cases[] = {
        {"fail-erase", "", erase, 0, ERROR_GEN_FAILURE},
        {"fail-read", "", read, ~0u, ERROR_READ_FAULT},
        {"fail-write", "", [&] { return io(kSector, 0); }, ~0u, ERROR_WRITE_FAULT},
        {"short-read", "", read, 256, 0},
        {"short-read", "100\n", read, 100, 0}};
    for (const auto& [name, content, call, expected, error] : cases) {
        SCOPED_TRACE(name);
        root.WriteFile(std::string("dev/FLS1.") + name, content);
        SetLastError(0);
        EXPECT_EQ((std::pair{call(), GetLastError()}), std::pair(expected, error));  // in order
        std::filesystem::remove(root / (std::string("dev/FLS1.") + name));
    }
    EXPECT_EQ(read(), 512u);
    CloseHandle(h);
    root.WriteFile("dev/FLS1.img", std::string(100, '\0'));
    CloseHandle(OpenDevice("FLS1"));
    EXPECT_EQ(image(), std::string(100, '\0') + std::string(kImageSize - 100, '\xFF'));
}

// "BAK1:" bound to a folder laid out as the kernel's backlight class.
class BacklightBinding : public Drivers {
protected:
    std::filesystem::path LayOut(const std::string& name, int max, int actual) {
        const std::string folder = "sys/" + name;
        root.MakeFolder(folder);
        root.WriteFile(folder + "/max_brightness", std::to_string(max) + "\n");
        root.WriteFile(folder + "/actual_brightness", std::to_string(actual) + "\n");
        root.WriteFile(folder + "/brightness", std::to_string(actual) + "\n");
        return root.Path() / folder;
    }
    void Bind(const std::filesystem::path& folder, const std::string& before = "",
              const std::string& after = "") {
        root.MakeFolder("dev");
        root.WriteFile("dev/bindings", before + "BAK1 = sysfs:" + folder.string() + after + "\n");
    }
    std::string Brightness(const std::filesystem::path& folder) const {
        return root.ReadFile((folder / "brightness").lexically_relative(root.Path()).string());
    }
};

TEST_F(BacklightBinding, ABoundFolderTakesTheLevelScaledOrIsLoggedOnceAsUnusable) {
    // max_brightness, and what the unit's levels 33, 34, 66, 99 and 100 become
    const std::pair<int, std::array<int, 5>> levelCases[] = {
        {1, {1, 1, 1, 1, 1}}, {7, {2, 2, 5, 7, 7}}, {255, {84, 87, 168, 252, 255}}};
    const int levels[] = {33, 34, 66, 99, 100};
    for (const auto& [max, expected] : levelCases) {
        const auto folder = LayOut("max" + std::to_string(max), max, 0);
        Bind(folder, "# the panel's backlight\n", "   # real");
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(SetLevel(static_cast<BYTE>(levels[i])));
            EXPECT_EQ(Brightness(folder), std::to_string(expected[i]) + "\n") << max << levels[i];
        }
    }
    // The simulation goes on beside the binding.
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "100\n");
    EXPECT_THAT(root.ReadFile("dev/BAK1.log"), ::testing::HasSubstr("ioctl 0x00002000 in 64"));
    // A folder it cannot use is logged once and the simulation goes on.
    const auto unwritable = LayOut("ro", 255, 1);
    std::filesystem::remove(unwritable / "brightness");
    std::filesystem::create_directory(unwritable / "brightness");
    const std::pair<std::filesystem::path, const char*> cases[] = {
        {root.Path() / "sys/none", "max_brightness: No such file or directory"},
        {unwritable, "brightness: Is a directory"},
        {LayOut("zero", 0, 0), "max_brightness: Invalid argument"}};
    for (const auto& [folder, why] : cases) {
        SCOPED_TRACE(why);
        Bind(folder);
        log.Clear();
        ASSERT_TRUE(SetLevel(50));
        ASSERT_TRUE(SetLevel(51));
        EXPECT_THAT(log.Text(),
                    ::testing::EndsWith("BAK1: cannot use sysfs:" + folder.string() + " (" + why +
                                        "); the backlight stays simulated\r\n"));
        EXPECT_EQ(log.Text().find("cannot use"), log.Text().rfind("cannot use"));
        EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "51\n");
    }
}

// A level another program writes is overwritten at the next call.
TEST_F(BacklightBinding, MalformedLinesAreSkippedWithTheirNumberLogged) {
    const auto folder = LayOut("panel", 255, 120);
    Bind(folder,
         "BAK1 sysfs:/x\nLCD1 = sysfs:/x\nIIC1 = sysfs:/dev/i2c-1\nBAK1 = sysfs:\n"
         "WAV1 = sdl:x\nWAV1 = sysfs:/x\n\n");
    ASSERT_TRUE(SetLevel(66));
    const std::string file = (root.Path() / "dev/bindings").string();
    EXPECT_EQ(log.Text(), file + ":1: expected DEVICE = KIND:TARGET; line ignored\r\n" + file +
                              ":2: no device \"LCD1\"; line ignored\r\n" + file +
                              ":3: IIC1 cannot be bound to \"sysfs\"; line ignored\r\n" + file +
                              ":4: expected DEVICE = KIND:TARGET; line ignored\r\n" + file +
                              ":5: WAV1 = sdl takes no target; line ignored\r\n" + file +
                              ":6: WAV1 cannot be bound to \"sysfs\"; line ignored\r\n" +
                              "BAK1: backlight bound to sysfs:" + folder.string() +
                              " (max_brightness 255, actual_brightness 120)\r\n");
    log.Clear();
    root.WriteFile("sys/panel/brightness", "10\n");  // another program dims the screen
    ASSERT_TRUE(SetLevel(67));
    EXPECT_EQ(Brightness(folder), "171\n");
    EXPECT_EQ(log.Text(), "");  // the file has not changed: nothing is said again
}

}  // namespace
}  // namespace dv::test

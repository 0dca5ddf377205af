// The simulated hardware behind "BAK1:", "IIC1:", "FMT1:" and "FLS1:": its
// journal lines, state files and switches, seen through the stream calls.

#include "Support.h"
#include "platform/Platform.h"
#include "platform/WinBase.h"

namespace dv::test {
namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kSetLevel = 0x2000;
constexpr DWORD kEraseBlock = 0x2040;
constexpr DWORD kSector = 2112;
constexpr std::size_t kImageSize = 4096;

HANDLE OpenDevice(const wchar_t* name) {
    return CreateFileW(name, kReadWrite, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

BOOL Control(HANDLE h, DWORD code, std::vector<BYTE> input) {
    return DeviceIoControl(h, code, input.empty() ? nullptr : input.data(),
                           static_cast<DWORD>(input.size()), nullptr, 0, nullptr, nullptr);
}

BOOL SetLevel(BYTE level) {
    HANDLE h = OpenDevice(L"BAK1:");
    const BOOL ok = h != INVALID_HANDLE_VALUE && Control(h, kSetLevel, {level});
    CloseHandle(h);
    return ok;
}

class Drivers : public PlatformTest {
protected:
    std::string Journal(const std::string& device) const {
        return root.ReadFile("dev/" + device + ".log");
    }
};

// The journal line of a control call: its code and the input's bytes.
std::string IoctlLine(DWORD code, const std::vector<BYTE>& input) {
    char text[64];
    int n = std::snprintf(text, sizeof text, "ioctl 0x%08x%s", code, input.empty() ? "" : " in");
    for (BYTE b : input) {
        n += std::snprintf(text + n, sizeof text - n, " %02x", b);
    }
    return std::string(text, n) + "\n";
}

// Every control call is journaled, refused ones too, with its error. Names
// are not case sensitive.
TEST_F(Drivers, ControlDevicesJournalEveryCallKeepTheirStateAndRefuseBadInput) {
    struct Call {
        DWORD code;
        std::vector<BYTE> input;
        DWORD error;  // ERROR_SUCCESS: the call succeeds
    };
    const std::tuple<const char*, std::vector<Call>, std::string> devices[] = {
        {"bak1",
         {{kSetLevel, {0x42}, 0},
          {kSetLevel, {0x42, 0x00}, ERROR_INVALID_PARAMETER},
          {0x2001, {0x21}, ERROR_INVALID_PARAMETER},
          {kSetLevel, {}, ERROR_INVALID_PARAMETER}},
         "66\n"},
        {"IIC1",
         {{0, {0x8A, 0x70, 0x20}, 0},
          {0, {0x8A, 0x74, 0xC0}, 0},
          {0, {0x8C, 0x74, 0x11}, ERROR_GEN_FAILURE},
          {0, {0x8A, 0x74}, ERROR_INVALID_PARAMETER},
          {1, {0x8A, 0x74, 0x01}, ERROR_INVALID_PARAMETER}},
         ""},
        {"FMT1",
         {{2, {0x00}, 0},
          {1, {0x64, 0x03}, 0},
          {2, {0x01}, 0},
          {2, {0x07}, ERROR_INVALID_PARAMETER},
          {1, {0x64}, ERROR_INVALID_PARAMETER},
          {3, {}, ERROR_INVALID_PARAMETER}},
         "standby 1\nfrequency 100.3\n"},
    };
    for (const auto& [name, calls, state] : devices) {
        SCOPED_TRACE(name);
        HANDLE h = OpenDevice(dv::Utf8ToWide(std::string(name) + ":").c_str());
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        std::string journal = "open\n";
        for (const Call& call : calls) {
            SetLastError(0);
            EXPECT_EQ(Control(h, call.code, call.input), call.error == ERROR_SUCCESS);
            EXPECT_EQ(GetLastError(), call.error) << call.code;
            journal += IoctlLine(call.code, call.input);
        }
        EXPECT_TRUE(CloseHandle(h));
        std::string device(name);
        std::transform(device.begin(), device.end(), device.begin(), ::toupper);
        EXPECT_EQ(root.ReadFile("dev/" + device + ".state"), state);
        EXPECT_EQ(Journal(device), journal + "close\n");
    }
    const std::string regs = root.ReadFile("dev/IIC1.regs");
    ASSERT_EQ(regs.size(), 256u);
    EXPECT_EQ(regs.substr(0x70, 6), std::string("\x20\0\0\0\xC0\0", 6));
}

TEST_F(Drivers, StreamCallsOnControlDevicesFilesAndClosedHandlesFail) {
    HANDLE h = OpenDevice(L"BAK1:");
    BYTE b = 0;
    DWORD n = 9;
    EXPECT_EQ(ErrorOf([&] { return ReadFile(h, &b, 1, &n, nullptr); }), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(ErrorOf([&] { return WriteFile(h, &b, 1, &n, nullptr); }), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_FALSE(DeviceIoControl(h, kSetLevel, nullptr, 1, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(h);
    EXPECT_EQ(Journal("BAK1"), "open\nread 1\nwrite 1\nseek 0\nclose\n");
    EXPECT_EQ(ErrorOf([&] { return Control(h, kSetLevel, {1}); }), ERROR_INVALID_HANDLE);
    root.WriteFile("plain.txt", "x");
    HANDLE f = CreateFileW(L"\\plain.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(ErrorOf([&] { return Control(f, kSetLevel, {1}); }), ERROR_NOT_SUPPORTED);
    CloseHandle(f);
}

TEST_F(Drivers, AbsentDevicesFailToOpenAndSwitchesTakeEffectAtTheNextOpen) {
    root.MakeFolder("dev");
    for (const char* name : {"BAK1", "IIC1", "FMT1", "FLS1"}) {
        root.WriteFile(std::string("dev/") + name + ".absent", "");
        SetLastError(0);
        EXPECT_EQ(OpenDevice(dv::Utf8ToWide(std::string(name) + ":").c_str()),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_DEV_NOT_EXIST) << name;
        EXPECT_FALSE(root.Exists(std::string("dev/") + name + ".log")) << name;
    }
    std::filesystem::remove(root / "dev/BAK1.absent");
    EXPECT_TRUE(SetLevel(3));
    std::filesystem::rename(root / "dev/IIC1.absent", root / "dev/BAK1.absent");
    EXPECT_FALSE(SetLevel(4));
    std::filesystem::rename(root / "dev/BAK1.absent", root / "dev/tmp");
    EXPECT_TRUE(SetLevel(5));
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "5\n");
}

// Journals and state files stay open between calls; what another program
// does to them meanwhile is seen at once.
TEST_F(Drivers, JournalsAndStateFilesFollowWhatOtherProgramsDoToTheFolder) {
    const auto line = [](int level) {
        return "open\n" + IoctlLine(kSetLevel, {BYTE(level)}) + "close\n";
    };
    ASSERT_TRUE(SetLevel(10));
    std::filesystem::remove(root / "dev/BAK1.log");
    ASSERT_TRUE(SetLevel(11));
    EXPECT_EQ(Journal("BAK1"), line(11));
    root.WriteFile("dev/BAK1.log", "");
    ASSERT_TRUE(SetLevel(12));
    EXPECT_EQ(Journal("BAK1"), line(12));
    std::filesystem::rename(root / "dev/BAK1.log", root / "dev/old.log");
    ASSERT_TRUE(SetLevel(13));
    EXPECT_EQ(Journal("BAK1"), line(13));
    EXPECT_EQ(root.ReadFile("dev/old.log"), line(12));
    root.WriteFile("dev/BAK1.state", "garbage that is long\n");
    ASSERT_TRUE(SetLevel(100));
    ASSERT_TRUE(SetLevel(9));
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "9\n");
    std::filesystem::remove_all(root / "dev");
    ASSERT_TRUE(SetLevel(4));
    EXPECT_EQ(Journal("BAK1"), line(4));
    EXPECT_EQ(InChild([] { return SetLevel(2) == TRUE; }), 0);
    EXPECT_EQ(Journal("BAK1"), line(4) + line(2));
    {
        dv::testing::ScopedDeviceRoot second;
        ASSERT_TRUE(SetLevel(7));
        EXPECT_EQ(second.ReadFile("dev/BAK1.state"), "7\n");
    }
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "2\n");
}

class Flash : public Drivers {
public:
    void SetUp() override {
        Drivers::SetUp();
        ASSERT_NE(h = OpenDevice(L"FLS1:"), INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        CloseHandle(h);
        Drivers::TearDown();
    }
    // Closes the device: the journal is whole.
    std::string ClosedJournal() {
        CloseHandle(std::exchange(h, INVALID_HANDLE_VALUE));
        return Journal("FLS1");
    }
    std::string Image() const { return root.ReadFile("dev/FLS1.img"); }
    BOOL Erase(uint32_t block) {
        return Control(h, kEraseBlock,
                       {BYTE(block), BYTE(block >> 8), BYTE(block >> 16), BYTE(block >> 24)});
    }
    DWORD WriteAt(DWORD offset, BYTE fill, DWORD count = 512) {
        std::vector<BYTE> data(count, fill);
        DWORD n = 99;
        EXPECT_EQ(SetFilePointer(h, static_cast<LONG>(offset), nullptr, FILE_BEGIN), offset);
        return WriteFile(h, data.data(), count, &n, nullptr) ? n : ~n;
    }
    DWORD ReadAt(DWORD offset, DWORD count = 512) {
        std::vector<BYTE> data(count);
        DWORD n = 99;
        SetFilePointer(h, static_cast<LONG>(offset), nullptr, FILE_BEGIN);
        return ReadFile(h, data.data(), count, &n, nullptr) ? n : ~n;
    }
    HANDLE h = INVALID_HANDLE_VALUE;
};

TEST_F(Flash, WritesOnlyClearBitsUntilTheBlockIsErasedAndEverythingIsJournaled) {
    EXPECT_EQ(Image(), std::string(kImageSize, '\xFF'));
    EXPECT_EQ(WriteAt(kSector, 0x0F), 512u);
    EXPECT_EQ(WriteAt(kSector, 0xF0), 512u);
    EXPECT_EQ(Image().substr(kSector, 512), std::string(512, '\0'));
    ASSERT_TRUE(Erase(66));
    EXPECT_EQ(Image(), std::string(kImageSize, '\xFF'));
    EXPECT_EQ(WriteAt(kSector, 0xA5), 512u);
    std::vector<BYTE> back(512);
    DWORD n = 0;
    ASSERT_EQ(SetFilePointer(h, -512, nullptr, FILE_CURRENT), kSector);
    ASSERT_TRUE(ReadFile(h, back.data(), 512, &n, nullptr));
    EXPECT_EQ(back, std::vector<BYTE>(512, 0xA5));
    EXPECT_EQ(Image(), std::string(kSector, '\xFF') + std::string(512, '\xA5') +
                           std::string(kImageSize - kSector - 512, '\xFF'));
    EXPECT_EQ(ClosedJournal(),
              "open\nseek 2112\nwrite 512\nseek 2112\nwrite 512\n"
              "ioctl 0x00002040 in 42 00 00 00\nseek 2112\nwrite 512\nseek -512 current\n"
              "read 512\nclose\n");
}

TEST_F(Flash, OtherBlocksBadSizesAndTheEndOfTheChipAreRefused) {
    for (const std::vector<BYTE>& input : std::vector<std::vector<BYTE>>{
             {65, 0, 0, 0}, {67, 0, 0, 0}, {66, 0}, {}, {66, 0, 0, 0, 0}}) {
        EXPECT_EQ(ErrorOf([&] { return Control(h, kEraseBlock, input); }), ERROR_INVALID_PARAMETER)
            << input.size();
    }
    EXPECT_EQ(SetFilePointer(h, kImageSize + 1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetFilePointer(h, kImageSize, nullptr, FILE_BEGIN), kImageSize);
    EXPECT_EQ(SetFilePointer(h, -10, nullptr, FILE_END), kImageSize - 10);
    EXPECT_EQ(WriteAt(kImageSize - 10, 0, 20), ~0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WriteAt(kImageSize - 10, 0, 10), 10u);
    EXPECT_EQ(ReadAt(kImageSize - 10, 20), 10u);  // only what is left of the chip
    EXPECT_EQ(ReadAt(kImageSize, 20), 0u);
}

TEST_F(Flash, SwitchFilesFailEraseReadAndWriteOrShortenReads) {
    EXPECT_EQ(WriteAt(kSector, 0x00), 512u);
    const auto erase = [](Flash& f) { return DWORD(f.Erase(66)); };
    const auto read = [](Flash& f) { return f.ReadAt(kSector); };
    const std::tuple<const char*, const char*, DWORD (*)(Flash&), DWORD, DWORD> cases[] = {
        {"fail-erase", "", erase, 0, ERROR_GEN_FAILURE},
        {"fail-read", "", read, ~0u, ERROR_READ_FAULT},
        {"fail-write", "", [](Flash& f) { return f.WriteAt(kSector, 0); }, ~0u, ERROR_WRITE_FAULT},
        {"short-read", "", read, 256, 0},
        {"short-read", "100\n", read, 100, 0},
    };
    for (const auto& [name, content, call, expected, error] : cases) {
        SCOPED_TRACE(name);
        root.WriteFile(std::string("dev/FLS1.") + name, content);
        SetLastError(0);
        EXPECT_EQ(call(*this), expected);
        EXPECT_EQ(GetLastError(), error);
        std::filesystem::remove(root / (std::string("dev/FLS1.") + name));
    }
    EXPECT_EQ(Image().substr(kSector, 512), std::string(512, '\0'));
    EXPECT_EQ(ReadAt(kSector), 512u);
    EXPECT_THAT(ClosedJournal(),
                ::testing::EndsWith("ioctl 0x00002040 in 42 00 00 00\nseek 2112\nread 512\nseek "
                                    "2112\nwrite 512\nseek 2112\nread 512\nseek 2112\nread 512\n"
                                    "seek 2112\nread 512\nclose\n"));
    root.WriteFile("dev/FLS1.img", std::string(100, '\0'));
    h = OpenDevice(L"FLS1:");
    EXPECT_EQ(Image(), std::string(100, '\0') + std::string(kImageSize - 100, '\xFF'));
}

// "BAK1:" bound to a folder laid out as the kernel's backlight class.
class BacklightBinding : public Drivers {
protected:
    std::filesystem::path LayOut(const std::string& name, int max, int actual) {
        const std::string folder = "sys/" + name;
        root.MakeFolder(folder);
        for (auto [file, value] : {std::pair{"/max_brightness", max},
                                   {"/actual_brightness", actual},
                                   {"/brightness", actual}}) {
            root.WriteFile(folder + file, std::to_string(value) + "\n");
        }
        return root.Path() / folder;
    }
    void Bind(const std::string& lines) {
        root.MakeFolder("dev");
        root.WriteFile("dev/bindings", lines);
    }
    std::string Brightness(const std::filesystem::path& folder) const {
        return root.ReadFile((folder / "brightness").lexically_relative(root.Path()).string());
    }
};

TEST_F(BacklightBinding, LevelsAreScaledToMaxBrightnessRoundedAndNeverZero) {
    // max_brightness, and what the unit's levels 33, 34, 66, 99 and 100 become
    const std::pair<int, std::array<int, 5>> cases[] = {
        {1, {1, 1, 1, 1, 1}},
        {7, {2, 2, 5, 7, 7}},
        {255, {84, 87, 168, 252, 255}},
        {96000, {31680, 32640, 63360, 95040, 96000}}};
    for (const auto& [max, expected] : cases) {
        const auto folder = LayOut("max" + std::to_string(max), max, 0);
        Bind("# the panel's backlight\nBAK1 = sysfs:" + folder.string() + "   # real\n");
        const int levels[] = {33, 34, 66, 99, 100};
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(SetLevel(static_cast<BYTE>(levels[i])));
            EXPECT_EQ(Brightness(folder), std::to_string(expected[i]) + "\n")
                << "max " << max << " level " << levels[i];
        }
    }
    // The simulation goes on beside the binding.
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "100\n");
    EXPECT_THAT(Journal("BAK1"), ::testing::HasSubstr("ioctl 0x00002000 in 64"));
}

TEST_F(BacklightBinding, FirstUseLogsTheFolderAndALevelWrittenOutsideIsOverwritten) {
    const auto folder = LayOut("panel", 255, 120);
    Bind("BAK1 = sysfs:" + folder.string() + "\n");
    ASSERT_TRUE(SetLevel(66));
    root.WriteFile("sys/panel/brightness", "10\n");  // another program dims the screen
    ASSERT_TRUE(SetLevel(67));
    EXPECT_EQ(Brightness(folder), "171\n");
    EXPECT_EQ(log.Text(), "BAK1: backlight bound to sysfs:" + folder.string() +
                              " (max_brightness 255, actual_brightness 120)\r\n");
}

TEST_F(BacklightBinding, AnUnusableFolderLogsOnceAndTheSimulationGoesOn) {
    const std::tuple<const char*, std::function<std::filesystem::path()>, const char*> cases[] = {
        {"missing", [this] { return root.Path() / "sys/none"; },
         "max_brightness: No such file or directory"},
        {"unwritable",
         [this] {
             const auto folder = LayOut("ro", 255, 1);
             std::filesystem::remove(folder / "brightness");
             std::filesystem::create_directory(folder / "brightness");
             return folder;
         },
         "brightness: Is a directory"},
        {"zero max", [this] { return LayOut("zero", 0, 0); }, "max_brightness: Invalid argument"},
    };
    for (const auto& [name, make, why] : cases) {
        SCOPED_TRACE(name);
        const auto folder = make();
        Bind("BAK1 = sysfs:" + folder.string() + "\n");
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

TEST_F(BacklightBinding, MalformedLinesAreLoggedByNumberAndTheRestIsUsed) {
    const auto folder = LayOut("panel", 100, 0);
    Bind(
        "BAK1 sysfs:/x\nLCD1 = sysfs:/x\nIIC1 = sysfs:/dev/i2c-1\nBAK1 = sysfs:\nWAV1 = sdl:x\n"
        "WAV1 = sysfs:/x\n\n"
        "BAK1 = sysfs:" +
        folder.string() + "\n");
    ASSERT_TRUE(SetLevel(42));
    EXPECT_EQ(Brightness(folder), "42\n");
    const std::string file = (root.Path() / "dev/bindings").string();
    EXPECT_THAT(log.Text(), ::testing::StartsWith(
                                file + ":1: expected DEVICE = KIND:TARGET; line ignored\r\n" +
                                file + ":2: no device \"LCD1\"; line ignored\r\n" + file +
                                ":3: IIC1 cannot be bound to \"sysfs\"; line ignored\r\n" + file +
                                ":4: expected DEVICE = KIND:TARGET; line ignored\r\n" + file +
                                ":5: WAV1 = sdl takes no target; line ignored\r\n" + file +
                                ":6: WAV1 cannot be bound to \"sysfs\"; line ignored\r\n"));
    log.Clear();
    ASSERT_TRUE(SetLevel(43));  // the file has not changed: nothing is said again
    EXPECT_EQ(log.Text(), "");
}

}  // namespace
}  // namespace dv::test

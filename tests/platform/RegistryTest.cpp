// The registry functions on the device root's registry.reg.
#include "Support.h"
#include "platform/WinReg.h"
#include "platform/storage/StorageFaults.h"

namespace dv::test {
namespace {

constexpr const wchar_t* kTouch = L"HARDWARE\\DEVICEMAP\\TOUCH";
constexpr const char* kHeader = "Windows Registry Editor Version 5.00\r\n";

class Registry : public PlatformTest {};

LONG CreateKey(const wchar_t* path, HKEY* key, DWORD* disposition = nullptr,
               HKEY parent = HKEY_LOCAL_MACHINE) {
    return RegCreateKeyExW(parent, path, 0, nullptr, 0, 0, nullptr, key, disposition);
}
HKEY Create(const wchar_t* path, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(CreateKey(path, &key, disposition), ERROR_SUCCESS);
    return key;
}
LONG Set(HKEY key, const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes) {
    return RegSetValueExW(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}
// A string's bytes as a fresh open of the key reads them; none when missing.
std::vector<BYTE> Query(const wchar_t* path, const wchar_t* name) {
    HKEY key = nullptr;
    std::vector<BYTE> data(256);
    DWORD size = 256, type = REG_NONE;
    const LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, 0, &key) == ERROR_SUCCESS
                            ? RegQueryValueExW(key, name, nullptr, &type, data.data(), &size)
                            : ERROR_FILE_NOT_FOUND;
    RegCloseKey(key);
    EXPECT_EQ(type, result == ERROR_SUCCESS ? REG_SZ : REG_NONE);
    data.resize(result == ERROR_SUCCESS ? size : 0);
    return data;
}

TEST_F(Registry, StringsAreWrittenAsRegeditTextReadBackAndHandedOutWholeOnly) {
    DWORD disposition = 0;
    HKEY key = Create(kTouch, &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    const std::pair<const wchar_t*, std::vector<BYTE>> values[] = {
        {L"CalibrationData", Utf16(u"\U0001F600\"q\" C:\\x \U0001F600")},
        {nullptr, Utf16(u"d")},
        {L"Nothing", Utf16(u"")}};
    for (const auto& [name, bytes] : values) {
        EXPECT_EQ(Set(key, name, REG_SZ, bytes), ERROR_SUCCESS);
        EXPECT_EQ(Query(kTouch, name ? name : L""), bytes);
    }
    RegCloseKey(key);
    EXPECT_EQ(root.ReadFile("registry.reg"),
              std::string(kHeader) +
                  "\r\n[HKEY_LOCAL_MACHINE\\HARDWARE]\r\n"
                  "\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP]\r\n"
                  "\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\TOUCH]\r\n"
                  "\"CalibrationData\"=\"\xF0\x9F\x98\x80\\\"q\\\" C:\\\\x \xF0\x9F\x98\x80\"\r\n"
                  "@=\"d\"\r\n\"Nothing\"=\"\"\r\n");
    key = Create(L"hardware\\DeviceMap\\touch", &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    HKEY child = nullptr;
    EXPECT_EQ(CreateKey(L"Sub", &child, nullptr, key), ERROR_SUCCESS);
    RegCloseKey(child);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\TOUCH\\SUB", 0, 0, &child),
              ERROR_SUCCESS);
    RegCloseKey(child);
    // Queries hand out whole values only. The calibration export's 100 bytes: 49 characters and the
    // terminator fit, 50 do not.
    ASSERT_EQ(Set(key, L"Fits", REG_SZ, Utf16(std::u16string(49, u'7'))), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, L"TooLong", REG_SZ, Utf16(std::u16string(50, u'7'))), ERROR_SUCCESS);
    // name, with a buffer, size offered, result, size returned
    const std::tuple<const wchar_t*, bool, DWORD, LONG, DWORD> cases[] = {
        {L"Fits", true, 100, ERROR_SUCCESS, 100},
        {L"TooLong", true, 100, ERROR_MORE_DATA, 102},
        {L"TooLong", false, 0, ERROR_SUCCESS, 102},
        {L"TooLong", true, 101, ERROR_MORE_DATA, 102},
        {L"Missing", true, 100, ERROR_FILE_NOT_FOUND, 100}};
    for (const auto& [name, buffer, offered, result, needed] : cases) {
        std::vector<BYTE> bytes(128, 0xEE);
        DWORD size = offered, type = REG_NONE;
        BYTE* const out = buffer ? bytes.data() : nullptr;
        EXPECT_EQ(RegQueryValueExW(key, name, nullptr, &type, out, &size), result) << offered;
        EXPECT_EQ(size, needed);
        EXPECT_EQ(bytes[0], result == ERROR_SUCCESS && buffer ? '7' : 0xEE);
        EXPECT_EQ(type, result == ERROR_FILE_NOT_FOUND ? REG_NONE : REG_SZ);
    }
    EXPECT_EQ(
        RegQueryValueExW(key, L"Fits", nullptr, nullptr, reinterpret_cast<BYTE*>(&key), nullptr),
        ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(Registry, AFailedWriteKeepsTheFile) {
    HKEY key = Create(kTouch);
    ASSERT_EQ(Set(key, L"CalibrationData", REG_SZ, Utf16(u"1,1")), ERROR_SUCCESS);
    const std::string before = root.ReadFile("registry.reg");
    for (unsigned step = 1; step <= 4; ++step) {
        dv::StorageFaultScope faults;
        faults.Arm(step, step % 2 ? dv::StorageFaultAction::Fail : dv::StorageFaultAction::Cut);
        EXPECT_EQ(Set(key, L"CalibrationData", REG_SZ, Utf16(u"2,2")), ERROR_WRITE_FAULT) << step;
        EXPECT_EQ(root.ReadFile("registry.reg"), before);
    }
    EXPECT_EQ(Query(kTouch, L"CalibrationData"), Utf16(u"1,1"));
    EXPECT_TRUE(log.Contains("Registry: cannot write"));
    root.WriteFile("registry.reg", "REGEDIT4\r\n");  // another process took the key away
    EXPECT_EQ(Set(key, L"CalibrationData", REG_SZ, Utf16(u"3,3")), 1018);  // ERROR_KEY_DELETED
    RegCloseKey(key);
    dv::testing::ScopedDeviceRoot missing(dv::testing::ScopedDeviceRoot::Shape::Missing);
    EXPECT_EQ(CreateKey(kTouch, &key), ERROR_WRITE_FAULT);
    EXPECT_FALSE(missing.Exists(""));
}

TEST_F(Registry, StringsAreReadFromUtf8OrUtf16AndOtherDataIsNot) {
    root.WriteFile(
        "registry.reg",
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n; a comment\r\n"
        "[hkey_local_machine\\A]\r\n@=\"d\\\\e\\\"f\\g\"\r\n\"Num\"=\"1\"\r\n\"Num\" = dword:1\r\n"
        "\"Wrapped\"=hex(7):61,00,\\\r\n  00,00,00,00\r\n\"Gone\"=\"x\"\r\n\"Gone\"=-\r\n"
        "[-HKEY_LOCAL_MACHINE\\B]\r\n\"InDeletion\"=\"y\"\r\n");
    EXPECT_EQ(Query(L"a", L""), Utf16(u"d\\e\"f\\g"));
    for (const wchar_t* name : {L"Num", L"wrapped", L"Gone", L"InDeletion"}) {
        EXPECT_EQ(Query(L"A", name), std::vector<BYTE>{}) << name;
    }
    const auto wide = Utf16(
        u"\uFEFFWindows Registry Editor Version 5.00\r\n"
        u"[HKEY_LOCAL_MACHINE\\K]\r\n\"V\"=\"\u00E9\u0100\"\r\n",
        false);
    root.WriteFile("registry.reg", std::string(wide.begin(), wide.end()));
    EXPECT_EQ(Query(L"K", L"V"), (std::vector<BYTE>{0xE9, 0, 0, 1, 0, 0}));
    EXPECT_EQ(log.Text(), "");
}

TEST_F(Registry, EachDamagedLineIsLoggedOnceAndSkipped) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"A\"=\"1,2", "string not closed by a quote"},
        {"garbage line", "value name must be quoted or @"},
        {"\"A\"\"x\"", "= missing after the value name"},
        {"\"A\"=something", "value is not a string, dword:, hex: or hex(N):"},
        {"[HKEY_CURRENT_USER\\Software]", "only HKEY_LOCAL_MACHINE is kept"},
        {"[HKEY_LOCAL_MACHINE\\Broken\\\\Path]", "key path has an empty part"},
        {"[HKEY_LOCAL_MACHINE\\Unclosed", "section not closed by ]"}};
    const std::string path = (root / "registry.reg").string();
    for (const auto& [line, problem] : cases) {
        SCOPED_TRACE(line);
        std::string text = kHeader;  // appended: GCC 12 misreads a chain of + here
        text.append("[HKEY_LOCAL_MACHINE\\K]\r\n")
            .append(line)
            .append("\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"Good\"=\"yes\"\r\n");
        root.WriteFile("registry.reg", text);
        log.Clear();
        EXPECT_EQ(Query(L"K", L"Good"), Utf16(u"yes"));
        EXPECT_EQ(Query(L"K", L"A"), std::vector<BYTE>{});
        EXPECT_EQ(log.Text(), "Registry: " + path + " line 3: " + problem +
                                  "; line skipped\r\n");  // once, not at every open
        EXPECT_EQ(root.ReadFile("registry.reg"), text);
    }
    root.WriteFile("registry.reg", "not a header\r\n\"Orphan\"=\"x\"\r\n");
    log.Clear();
    EXPECT_EQ(Query(L"K", L"Good"), std::vector<BYTE>{});
    EXPECT_TRUE(log.Contains("line 1: first line is not"));
    EXPECT_TRUE(log.Contains("line 2: value outside a section"));
    root.WriteFile("registry.reg", "[HKEY_LOCAL_MACHINE\\K]\r\n\"Good\"=\"unheaded\"\r\n");
    EXPECT_EQ(Query(L"K", L"Good"), Utf16(u"unheaded"));
}

TEST_F(Registry, AChangeRewritesOnlyTheLinesOfWhatItSets) {
    // Comments, other hives and types, damaged lines, deletions and a last line
    // without its end all come back as they were; a value of another type is
    // rewritten in place.
    const std::string head =
        std::string(kHeader) +
        "; kept\r\n[HKEY_CURRENT_USER\\Other]\r\n\"X\"=\"y\"\r\n"
        "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\TOUCH]\r\n\"Num\"=dword:1\r\n";
    const std::string values = "\"Bad\"=oops\r\n\"Gone\"=-\r\n";
    const std::string deletion = "[-HKEY_LOCAL_MACHINE\\Old]\r\n\r\n";
    const std::string last = "[HKEY_LOCAL_MACHINE\\Z]\r\n@=\"z\"";
    root.WriteFile("registry.reg", head + "\"calibrationdata\"=hex(7):31,00,\\\r\n  00,00\r\n" +
                                       values + deletion + last);
    HKEY key = Create(kTouch);
    ASSERT_EQ(Set(key, L"CalibrationData", REG_SZ, Utf16(u"1,1")), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, L"New", REG_SZ, Utf16(u"n")), ERROR_SUCCESS);
    RegCloseKey(key);
    RegCloseKey(Create(L"A\\B"));  // at the end, after anything that might delete them
    EXPECT_EQ(root.ReadFile("registry.reg"),
              head + "\"calibrationdata\"=\"1,1\"\r\n" + values + "\"New\"=\"n\"\r\n" + deletion +
                  last + "\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\r\n[HKEY_LOCAL_MACHINE\\A\\B]\r\n");
}

TEST_F(Registry, BadArgumentsAreRefusedUnwritten) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTouch, 0, 0, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    for (const wchar_t* path : {L"\\Leading", L"A\\\\B", L"\\"}) {
        EXPECT_EQ(CreateKey(path, &key), ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(CreateKey(L"A", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(root.Exists("registry.reg"));
    const HKEY bogus = reinterpret_cast<HKEY>(0x5555);
    DWORD size = 0;
    EXPECT_THAT((std::vector{RegQueryValueExW(bogus, L"x", nullptr, nullptr, nullptr, &size),
                             RegSetValueExW(bogus, L"x", 0, REG_SZ, nullptr, 0),
                             RegOpenKeyExW(bogus, L"x", 0, 0, &key), RegCloseKey(bogus)}),
                ::testing::Each(ERROR_INVALID_HANDLE));
    key = Create(L"A");
    const std::string before = root.ReadFile("registry.reg");
    EXPECT_EQ(RegSetValueExW(key, L"line\nbreak", 0, REG_SZ, nullptr, 0), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(key, L"x", 0, REG_SZ, nullptr, 4), ERROR_INVALID_PARAMETER);
    // Only strings the file can carry as text: the unit stores no other data.
    const std::pair<DWORD, std::vector<BYTE>> refused[] = {
        {REG_MULTI_SZ, Utf16(u"ab")},
        {REG_DWORD, {1, 0, 0, 0}},
        {REG_SZ, {'a', 0}},
        {REG_SZ, {}},
        {REG_SZ, {'a', 0, 0}},
        {REG_SZ, Utf16(u"a\nb")},
        {REG_SZ, Utf16(std::u16string(u"a\0b", 3))},
        {REG_SZ, Utf16(u"\xD800")}};
    for (const auto& [type, bytes] : refused) {
        EXPECT_EQ(Set(key, L"x", type, bytes), ERROR_INVALID_PARAMETER) << bytes.size();
    }
    HKEY other = nullptr;  // reserved arguments that are not 0
    DWORD reserved = 0;
    EXPECT_THAT((std::vector{RegSetValueExW(key, L"x", 1, REG_SZ, nullptr, 0),
                             RegQueryValueExW(key, L"x", &reserved, nullptr, nullptr, &size),
                             RegCreateKeyExW(key, L"B", 1, nullptr, 0, 0, nullptr, &other, nullptr),
                             RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"A", 1, 0, &other)}),
                ::testing::Each(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(std::pair(other, root.ReadFile("registry.reg")), std::pair(HKEY{}, before));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, ConcurrentWritersAllKeepTheirValues) {
    RegCloseKey(Create(kTouch));
    constexpr int kWriters = 3, kValuesEach = 6;
    const auto name = [](int v) { return L"w" + std::to_wstring(v); };
    const std::vector<int> statuses = InChildrenAtOnce(kWriters, [&](int w) {
        HKEY k = nullptr;
        bool ok = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTouch, 0, 0, &k) == ERROR_SUCCESS;
        for (int v = w * kValuesEach; v < (w + 1) * kValuesEach; ++v) {
            ok = ok && Set(k, name(v).c_str(), REG_SZ, {BYTE('a' + v), 0, 0, 0}) == ERROR_SUCCESS;
        }
        return ok;
    });
    EXPECT_EQ(statuses, std::vector<int>(kWriters, 0));
    for (int v = 0; v < kWriters * kValuesEach; ++v) {
        EXPECT_EQ(Query(kTouch, name(v).c_str()), (std::vector<BYTE>{BYTE('a' + v), 0, 0, 0}));
    }
}

}  // namespace
}  // namespace dv::test

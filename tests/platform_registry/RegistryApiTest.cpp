// The registry functions on the device root's registry.reg.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/WinReg.h"
#include "platform/storage/StorageFaults.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/ScopedDeviceRoot.h"

namespace {

using dv::testing::ScopedDeviceRoot;

constexpr const wchar_t* kTouch = L"HARDWARE\\DEVICEMAP\\TOUCH";

std::vector<BYTE> Utf16(std::u16string_view text, bool terminator = true) {
    std::vector<BYTE> bytes;
    for (char16_t u : text) {
        bytes.push_back(static_cast<BYTE>(u));
        bytes.push_back(static_cast<BYTE>(u >> 8));
    }
    if (terminator) {
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

class Registry : public ::testing::Test {
protected:
    static HKEY Create(const wchar_t* path, DWORD* disposition = nullptr) {
        HKEY key = nullptr;
        DWORD d = 0;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, 0, nullptr, &key, &d),
                  ERROR_SUCCESS);
        if (disposition != nullptr) {
            *disposition = d;
        }
        return key;
    }
    static void SetString(HKEY key, const wchar_t* name, std::u16string_view text) {
        auto bytes = Utf16(text);
        ASSERT_EQ(
            RegSetValueExW(key, name, 0, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
    }
    ScopedDeviceRoot root;
};

TEST_F(Registry, CreateReportsWhetherTheKeyExistedAndKeepsTheNewEmptyKey) {
    DWORD disposition = 0;
    HKEY key = Create(kTouch, &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(root.ReadFile("registry.reg"),
              "Windows Registry Editor Version 5.00\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\HARDWARE]\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP]\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\TOUCH]\r\n");
    key = Create(L"hardware\\DeviceMap\\touch", &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
}

TEST_F(Registry, ValuesOfEveryKindSurviveTheFile) {
    HKEY key = Create(kTouch);
    SetString(key, L"CalibrationData", u"1,2 3,4 \"q\" C:\\x");
    auto multi = Utf16(std::u16string(u"ab\0cd\0", 6));
    ASSERT_EQ(RegSetValueExW(key, L"Pieces", 0, REG_MULTI_SZ, multi.data(), 14), ERROR_SUCCESS);
    BYTE blob[] = {0x00, 0xFF, 0x10};
    ASSERT_EQ(RegSetValueExW(key, L"Blob", 0, REG_BINARY, blob, 3), ERROR_SUCCESS);
    DWORD number = 0x2A;
    ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), 4),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(root.ReadFile("registry.reg"),
              "Windows Registry Editor Version 5.00\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\HARDWARE]\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP]\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\TOUCH]\r\n"
              "\"CalibrationData\"=\"1,2 3,4 \\\"q\\\" C:\\\\x\"\r\n"
              "\"Pieces\"=hex(7):61,00,62,00,00,00,63,00,64,00,00,00,00,00\r\n"
              "\"Blob\"=hex:00,ff,10\r\n"
              "@=dword:0000002a\r\n");

    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTouch, 0, 0, &again), ERROR_SUCCESS);
    BYTE data[64] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExW(again, L"pieces", nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_MULTI_SZ);
    EXPECT_EQ(std::vector<BYTE>(data, data + size),
              std::vector<BYTE>(multi.begin(), multi.begin() + 14));
    size = sizeof data;
    ASSERT_EQ(RegQueryValueExW(again, L"", nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(data[0], 0x2A);
    RegCloseKey(again);
}

// The calibration export offers 100 bytes: 49 characters and the terminator
// fit, 50 do not, and the caller learns the size it would need.
TEST_F(Registry, QueryFollowsTheSizeRule) {
    HKEY key = Create(kTouch);
    SetString(key, L"Fits", std::u16string(49, u'7'));
    SetString(key, L"TooLong", std::u16string(50, u'7'));
    char16_t buffer[100];
    DWORD size = 100;
    DWORD type = REG_NONE;
    EXPECT_EQ(
        RegQueryValueExW(key, L"Fits", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(size, 100u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(std::u16string(buffer), std::u16string(49, u'7'));

    std::fill(std::begin(buffer), std::end(buffer), u'x');
    size = 100;
    type = REG_NONE;
    EXPECT_EQ(
        RegQueryValueExW(key, L"TooLong", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 102u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(buffer[0], u'x');  // nothing was copied

    size = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"TooLong", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 102u);
    EXPECT_EQ(RegQueryValueExW(key, L"TooLong", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                               nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(
        RegQueryValueExW(key, L"Missing", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(Registry, EveryKeyOpenSeesWhatAnotherProcessWrote) {
    HKEY key = Create(kTouch);
    RegCloseKey(key);
    root.WriteFile("registry.reg",
                   "Windows Registry Editor Version 5.00\r\n\r\n"
                   "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\TOUCH]\r\n"
                   "\"CalibrationData\"=\"5,6\"\r\n");
    key = Create(kTouch);
    char16_t buffer[50] = {};
    DWORD size = sizeof buffer;
    ASSERT_EQ(RegQueryValueExW(key, L"CalibrationData", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(buffer), u"5,6");
    RegCloseKey(key);
}

TEST_F(Registry, ChangesFromTwoProcessesAtOnceAreBothKept) {
    HKEY key = Create(kTouch);
    RegCloseKey(key);
    constexpr int kWriters = 4;
    constexpr int kValuesEach = 10;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = ::fork();
        if (pid == 0) {
            HKEY k = nullptr;
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTouch, 0, 0, &k);
            bool ok = true;
            for (int i = 0; i < kValuesEach; ++i) {
                std::wstring name = L"w" + std::to_wstring(w) + L"_" + std::to_wstring(i);
                DWORD v = static_cast<DWORD>(i);
                ok = ok && RegSetValueExW(k, name.c_str(), 0, REG_DWORD,
                                          reinterpret_cast<BYTE*>(&v), 4) == ERROR_SUCCESS;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    key = Create(kTouch);
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kValuesEach; ++i) {
            std::wstring name = L"w" + std::to_wstring(w) + L"_" + std::to_wstring(i);
            DWORD size = 0;
            EXPECT_EQ(RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, &size),
                      ERROR_SUCCESS);
        }
    }
    RegCloseKey(key);
}

TEST_F(Registry, MalformedFileIsReportedAndItsGoodLinesStillRead) {
    root.WriteFile("registry.reg",
                   "not a header\n"
                   "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\TOUCH]\n"
                   "\"CalibrationData\"=\"1,2\n"
                   "\"Other\"=hex:zz\n"
                   "garbage line\n"
                   "\"Good\"=\"yes\"\n"
                   "[HKEY_CURRENT_USER\\Software]\n"
                   "\"Ignored\"=\"x\"\n"
                   "[HKEY_LOCAL_MACHINE\\Broken\\\\Path]\n"
                   "[HKEY_LOCAL_MACHINE\\Unclosed\n");
    dv::testing::LogCapture log;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTouch, 0, 0, &key), ERROR_SUCCESS);
    std::string path = (root / "registry.reg").string();
    EXPECT_EQ(
        log.Text(),
        "Registry: " + path +
            " line 1: first line is not \"Windows Registry Editor Version 5.00\"; line skipped\r\n"
            "Registry: " +
            path +
            " line 3: string not closed by a quote; line skipped\r\n"
            "Registry: " +
            path +
            " line 4: hex data must be bytes like 0a,ff; line skipped\r\n"
            "Registry: " +
            path +
            " line 5: value name must be quoted or @; line skipped\r\n"
            "Registry: " +
            path +
            " line 7: only HKEY_LOCAL_MACHINE is kept; line skipped\r\n"
            "Registry: " +
            path +
            " line 9: key path has an empty part; line skipped\r\n"
            "Registry: " +
            path + " line 10: section not closed by ]; line skipped\r\n");
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"Good", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key, L"CalibrationData", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
    // The same text is not reported again at the next open.
    log.Clear();
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTouch, 0, 0, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(log.Text(), "");
}

TEST_F(Registry, BadHandlesPathsAndMissingKeysAreRefused) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTouch, 0, 0, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(root.Exists("registry.reg"));  // opening never writes
    EXPECT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"\\Leading", 0, nullptr, 0, 0, nullptr, &key, nullptr),
        ERROR_INVALID_PARAMETER);
    EXPECT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"A\\\\B", 0, nullptr, 0, 0, nullptr, &key, nullptr),
        ERROR_INVALID_PARAMETER);
    EXPECT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"A", 0, nullptr, 0, 0, nullptr, nullptr, nullptr),
        ERROR_INVALID_PARAMETER);
    HKEY bogus = reinterpret_cast<HKEY>(0x5555);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(bogus, L"x", nullptr, nullptr, nullptr, &size),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueExW(bogus, L"x", 0, REG_SZ, nullptr, 0), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
    key = Create(L"A");
    EXPECT_EQ(RegSetValueExW(key, L"line\nbreak", 0, REG_SZ, nullptr, 0), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(key, L"x", 0, REG_SZ, nullptr, 4), ERROR_INVALID_PARAMETER);
    // Subkeys open relative to an open key.
    HKEY child = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(key, L"B", 0, nullptr, 0, 0, nullptr, &child, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(child);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"a\\b", 0, 0, &child), ERROR_SUCCESS);
    RegCloseKey(child);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);  // already closed
}

TEST_F(Registry, FailedWriteLeavesTheFileAndReportsIt) {
    HKEY key = Create(kTouch);
    SetString(key, L"CalibrationData", u"1,1");
    std::string before = root.ReadFile("registry.reg");
    dv::testing::LogCapture log;
    {
        dv::StorageFaultScope faults;
        faults.Arm(4, dv::StorageFaultAction::Fail);  // the rename
        auto bytes = Utf16(u"2,2");
        EXPECT_EQ(RegSetValueExW(key, L"CalibrationData", 0, REG_SZ, bytes.data(),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_WRITE_FAULT);
    }
    EXPECT_EQ(root.ReadFile("registry.reg"), before);
    EXPECT_TRUE(log.Contains("Registry: cannot write"));
    RegCloseKey(key);
}

TEST(RegistryWithoutRoot, CreatingAKeyFailsWhenTheRootIsMissing) {
    ScopedDeviceRoot root(ScopedDeviceRoot::Shape::Missing);
    dv::testing::LogCapture log;
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTouch, 0, nullptr, 0, 0, nullptr, &key, &disposition),
        ERROR_WRITE_FAULT);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(root.Exists(""));
    EXPECT_TRUE(log.Contains("Registry: cannot write"));
}

}  // namespace

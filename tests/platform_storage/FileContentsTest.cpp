// What reads and writes through CFile and the handle functions see.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/WinBase.h"
#include "platform/afx/CFile.h"
#include "platform/testing/ScopedDeviceRoot.h"

namespace {

using dv::testing::ScopedDeviceRoot;

constexpr const wchar_t* kConf = L"\\FlashMem\\sysini\\conf.ini";
constexpr const char* kConfHost = "FlashMem/sysini/conf.ini";

class FileContents : public ::testing::Test {
protected:
    void SetUp() override { root.MakeFolder("FlashMem/sysini"); }
    ScopedDeviceRoot root;
};

TEST_F(FileContents, ReadReturnsWhatIsThereOnAShortFileAndZeroAtTheEnd) {
    root.WriteFile(kConfHost, std::string(10, 'x'));
    CFile file;
    ASSERT_TRUE(file.Open(kConf, CFile::modeRead));
    char buffer[26] = {};
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 10u);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
}

TEST_F(FileContents, LongFileGivesOnlyWhatWasAskedFor) {
    root.WriteFile(kConfHost, std::string(40, 'y'));
    CFile file;
    ASSERT_TRUE(file.Open(kConf, CFile::modeRead));
    char buffer[26];
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 26u);
}

TEST_F(FileContents, CreateReplacesTheFileOnlyWhenItIsClosed) {
    root.WriteFile(kConfHost, std::string(40, 'o'));
    {
        CFile file;
        ASSERT_TRUE(file.Open(kConf, 0x1002));
        EXPECT_EQ(root.ReadFile(kConfHost), std::string(40, 'o'));
        ASSERT_TRUE(file.Write("new-record", 10));
        EXPECT_EQ(root.ReadFile(kConfHost), std::string(40, 'o'));
        EXPECT_TRUE(file.Close());
    }
    EXPECT_EQ(root.ReadFile(kConfHost), "new-record");
    EXPECT_FALSE(root.Exists("FlashMem/sysini/.conf.ini.new"));
}

TEST_F(FileContents, DestructorClosesAndCommits) {
    {
        CFile file;
        ASSERT_TRUE(file.Open(L"\\FlashMem\\sysini\\touchcal.ini", 0x1001));
        ASSERT_TRUE(file.Write("12", 2));
        ASSERT_TRUE(file.Write("34", 2));
    }
    EXPECT_EQ(root.ReadFile("FlashMem/sysini/touchcal.ini"), "1234");
    CFile again;
    EXPECT_TRUE(again.Open(L"\\FlashMem\\sysini\\touchcal.ini", CFile::modeRead));
}

TEST_F(FileContents, ReadWriteCreateOpenReadsBackWhatItWrote) {
    root.WriteFile(kConfHost, "previous contents");
    HANDLE h =
        CreateFileW(kConf, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "abcdef", 6, &n, nullptr));
    EXPECT_EQ(n, 6u);
    EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
    char buffer[16] = {};
    ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(std::string(buffer, n), "cdef");
    EXPECT_EQ(root.ReadFile(kConfHost), "previous contents");
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(root.ReadFile(kConfHost), "abcdef");
}

TEST_F(FileContents, CreateWithoutTruncateKeepsTheOldBytes) {
    root.WriteFile(kConfHost, "0123456789");
    {
        CFile file;
        ASSERT_TRUE(
            file.Open(kConf, CFile::modeReadWrite | CFile::modeCreate | CFile::modeNoTruncate));
        char buffer[4] = {};
        EXPECT_EQ(file.Read(buffer, 4), 4u);
        EXPECT_TRUE(file.Write("AB", 2));
    }
    EXPECT_EQ(root.ReadFile(kConfHost), "0123AB6789");
}

TEST_F(FileContents, PlainWriteOpenChangesTheFileInPlace) {
    root.WriteFile(kConfHost, "0123456789");
    HANDLE h = CreateFileW(kConf, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_END), 8u);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "zz", 2, &n, nullptr));
    char c;
    EXPECT_FALSE(ReadFile(h, &c, 1, &n, nullptr));  // opened for writing only
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(h);
    EXPECT_EQ(root.ReadFile(kConfHost), "01234567zz");
}

TEST_F(FileContents, ReadOnlyOpenRefusesWritesAndBadSeeks) {
    root.WriteFile(kConfHost, "abc");
    CFile file;
    ASSERT_TRUE(file.Open(kConf, CFile::modeRead));
    EXPECT_FALSE(file.Write("x", 1));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    file.Close();
    EXPECT_EQ(root.ReadFile(kConfHost), "abc");

    HANDLE h = CreateFileW(kConf, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(SetFilePointer(h, -5, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    LONG high = 0;
    EXPECT_EQ(SetFilePointer(h, 1, &high, FILE_BEGIN), 1u);
    EXPECT_EQ(high, 0);
    CloseHandle(h);
}

TEST_F(FileContents, CFileRefusesASecondOpenAndBadFlags) {
    root.WriteFile(kConfHost, "abc");
    CFile file;
    ASSERT_TRUE(file.Open(kConf, CFile::modeRead));
    EXPECT_FALSE(file.Open(kConf, CFile::modeRead));
    EXPECT_TRUE(file.IsOpen());
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(file.Read(nullptr, 0), 0u);
    EXPECT_FALSE(file.Open(kConf, 0x0003));
    EXPECT_FALSE(file.Open(nullptr, 0));
}

TEST_F(FileContents, TruncateExistingNeedsTheFileAndOpenAlwaysMakesIt) {
    EXPECT_EQ(CreateFileW(kConf, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    HANDLE h = CreateFileW(kConf, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(root.Exists(kConfHost));
    EXPECT_EQ(CreateFileW(kConf, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

}  // namespace

// Sharing rules of device-root files: exclusive and shared opens, between
// threads of one process and between processes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <future>
#include <string>

#include "platform/WinBase.h"
#include "platform/afx/CFile.h"
#include "platform/testing/ScopedDeviceRoot.h"

namespace {

using dv::testing::ScopedDeviceRoot;

constexpr const wchar_t* kConf = L"\\FlashMem\\sysini\\conf.ini";

class FileSharing : public ::testing::Test {
protected:
    void SetUp() override {
        root.MakeFolder("FlashMem/sysini");
        root.WriteFile("FlashMem/sysini/conf.ini", "old-bytes");
    }

    static HANDLE Open(DWORD access, DWORD share, DWORD disposition = OPEN_EXISTING) {
        return CreateFileW(kConf, access, share, nullptr, disposition, 0, nullptr);
    }

    ScopedDeviceRoot root;
};

// Child process helper: runs body in a child, which reports one byte back,
// then waits for the parent to let it go.
class Child {
public:
    template <typename Body>
    explicit Child(Body body) {
        EXPECT_EQ(::pipe(m_toParent), 0);
        EXPECT_EQ(::pipe(m_toChild), 0);
        m_pid = ::fork();
        if (m_pid == 0) {
            char result = body() ? 'y' : 'n';
            [[maybe_unused]] auto w = ::write(m_toParent[1], &result, 1);
            char go = 0;
            [[maybe_unused]] auto r = ::read(m_toChild[0], &go, 1);
            ::_exit(0);
        }
    }
    char Report() {
        char c = 0;
        EXPECT_EQ(::read(m_toParent[0], &c, 1), 1);
        return c;
    }
    void Release() {
        char go = 'g';
        EXPECT_EQ(::write(m_toChild[1], &go, 1), 1);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    void Kill() {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    ~Child() {
        for (int fd : {m_toParent[0], m_toParent[1], m_toChild[0], m_toChild[1]}) {
            ::close(fd);
        }
    }

private:
    int m_toParent[2] = {-1, -1};
    int m_toChild[2] = {-1, -1};
    pid_t m_pid = -1;
};

TEST_F(FileSharing, ExclusiveOpenKeepsEveryOtherOpenOutInTheSameThread) {
    HANDLE first = Open(GENERIC_READ, 0);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    SetLastError(0);
    EXPECT_EQ(Open(GENERIC_READ, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Open(GENERIC_READ, FILE_SHARE_READ), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(kConf, CFile::modeRead | CFile::shareDenyNone, &error));
    EXPECT_EQ(error.m_lOsError, ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(CloseHandle(first));
    HANDLE again = Open(GENERIC_READ, 0);
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
}

TEST_F(FileSharing, SharedOpensCoexistButNotWithAnExclusiveOne) {
    HANDLE a = Open(GENERIC_READ, FILE_SHARE_READ);
    CFile b;
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(b.Open(kConf, CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_EQ(Open(GENERIC_READ, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    CFile exclusive;
    EXPECT_FALSE(exclusive.Open(kConf, CFile::modeRead | CFile::shareExclusive));
    CloseHandle(a);
    b.Close();
    EXPECT_TRUE(exclusive.Open(kConf, CFile::modeRead));
}

TEST_F(FileSharing, ExclusiveOpenHoldsAgainstAnotherThread) {
    CFile held;
    ASSERT_TRUE(held.Open(kConf, CFile::modeRead));
    auto other = std::async(std::launch::async, [] {
        CFile file;
        CFileException error;
        bool opened = file.Open(kConf, CFile::modeReadWrite | CFile::modeCreate, &error);
        return std::make_pair(opened, error.m_lOsError);
    });
    auto [opened, error] = other.get();
    EXPECT_FALSE(opened);
    EXPECT_EQ(error, ERROR_SHARING_VIOLATION);
}

TEST_F(FileSharing, ExclusiveOpenHoldsAgainstAnotherProcessUntilItEnds) {
    Child child([] { return Open(GENERIC_READ, 0) != INVALID_HANDLE_VALUE; });
    ASSERT_EQ(child.Report(), 'y');
    EXPECT_EQ(Open(GENERIC_READ, FILE_SHARE_READ), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    child.Release();
    HANDLE h = Open(GENERIC_READ, 0);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
}

TEST_F(FileSharing, SharedOpensCoexistAcrossProcesses) {
    HANDLE mine = Open(GENERIC_READ, FILE_SHARE_READ);
    ASSERT_NE(mine, INVALID_HANDLE_VALUE);
    Child shared([] { return Open(GENERIC_READ, FILE_SHARE_READ) != INVALID_HANDLE_VALUE; });
    EXPECT_EQ(shared.Report(), 'y');
    shared.Release();
    Child exclusive([] { return Open(GENERIC_READ, 0) != INVALID_HANDLE_VALUE; });
    EXPECT_EQ(exclusive.Report(), 'n');
    exclusive.Release();
    CloseHandle(mine);
}

TEST_F(FileSharing, AKilledProcessLetsGoOfItsFile) {
    Child child([] { return Open(GENERIC_READ | GENERIC_WRITE, 0) != INVALID_HANDLE_VALUE; });
    ASSERT_EQ(child.Report(), 'y');
    child.Kill();
    HANDLE h = Open(GENERIC_READ, 0);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
}

// The settings loader's short-file case: its read open still holds the file
// when the default writer tries to replace it, so the write fails and the
// short file stays as it was.
TEST_F(FileSharing, ReadOpenMakesTheCreateOpenFailAndTheFileStays) {
    root.WriteFile("FlashMem/sysini/conf.ini", "");
    CFile reader;
    ASSERT_TRUE(reader.Open(kConf, 0));
    char buffer[26];
    EXPECT_EQ(reader.Read(buffer, sizeof buffer), 0u);
    CFile writer;
    CFileException error;
    EXPECT_FALSE(writer.Open(kConf, 0x1002, &error));
    EXPECT_EQ(error.m_lOsError, ERROR_SHARING_VIOLATION);
    reader.Close();
    EXPECT_EQ(root.ReadFile("FlashMem/sysini/conf.ini"), "");
    EXPECT_FALSE(root.Exists("FlashMem/sysini/.conf.ini.new"));
}

TEST_F(FileSharing, MissingFolderOrFileFailsAndNothingIsMade) {
    SetLastError(0);
    EXPECT_EQ(CreateFileW(L"\\FlashMem\\nowhere\\conf.ini", GENERIC_WRITE, 0, nullptr,
                          CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(root.Exists("FlashMem/nowhere"));

    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(L"\\FlashMem\\sysini\\touchcal.ini", CFile::modeRead, &error));
    EXPECT_EQ(error.m_lOsError, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(root.Exists("FlashMem/sysini/touchcal.ini"));
}

TEST_F(FileSharing, BadArgumentsAreRefusedWithoutHarm) {
    EXPECT_EQ(CreateFileW(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Open(GENERIC_READ, 0, 99), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    DWORD n = 7;
    EXPECT_FALSE(ReadFile(reinterpret_cast<HANDLE>(0x4242), nullptr, 0, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(SetFilePointer(reinterpret_cast<HANDLE>(0x4242), 0, nullptr, FILE_BEGIN),
              INVALID_SET_FILE_POINTER);
    // A path may not climb out of the root.
    HANDLE h =
        CreateFileW(L"\\..\\..\\escape.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(root.Exists("escape.txt"));
}

}  // namespace

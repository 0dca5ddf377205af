// Named mutexes across processes, and the refusal of an unsafe runtime
// folder.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>

#include "IpcTestSupport.h"
#include "PeerProcess.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"
#include "platform/ipc/RuntimeFolder.h"
#include "platform/testing/LogCapture.h"

namespace dv::test {
namespace {

constexpr int kRacers = 20;

class NamedMutexTest : public IpcTest {};

TEST_F(NamedMutexTest, OfManyCopiesStartedAtOnceExactlyOneIsFirst) {
    std::string go = (m_runtime.parent_path() / (m_runtime.filename().string() + ".go")).string();
    std::vector<std::unique_ptr<Peer>> racers;
    for (int i = 0; i < kRacers; ++i) {
        racers.push_back(std::make_unique<Peer>("mutex Race " + go));
    }
    std::ofstream(go).put('x');
    int first = 0;
    int others = 0;
    for (auto& racer : racers) {
        std::string line = racer->ReadLine(10000);
        first += line == "handle 0" ? 1 : 0;
        others += line == "handle 183" ? 1 : 0;
    }
    EXPECT_EQ(first, 1);
    EXPECT_EQ(others, kRacers - 1);
    for (auto& racer : racers) {
        racer->CloseStdin();
        EXPECT_EQ(racer->Wait(), 0);
    }
    ::unlink(go.c_str());
}

TEST_F(NamedMutexTest, TheMutexGoesAwayWithTheLastProcessThatHasItOpen) {
    std::string go = (m_runtime.parent_path() / (m_runtime.filename().string() + ".go")).string();
    std::ofstream(go).put('x');
    Peer holder("mutex Dialvane " + go);
    ASSERT_EQ(holder.ReadLine(), "handle 0");

    HANDLE second = CreateMutexW(nullptr, TRUE, L"Dialvane");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    // Opened, not owned: it cannot be released.
    EXPECT_FALSE(ReleaseMutex(second));
    EXPECT_TRUE(CloseHandle(second));

    holder.Signal(SIGKILL);
    holder.Wait();
    HANDLE again = CreateMutexW(nullptr, TRUE, L"Dialvane");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_TRUE(ReleaseMutex(again));
    EXPECT_FALSE(ReleaseMutex(again));
    EXPECT_TRUE(CloseHandle(again));
    ::unlink(go.c_str());
}

TEST_F(NamedMutexTest, HandlesInOneProcessCountLikeOtherProcesses) {
    HANDLE a = CreateMutexW(nullptr, FALSE, L"Local");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    HANDLE b = CreateMutexW(nullptr, FALSE, L"Local");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CloseHandle(b));
    HANDLE c = CreateMutexW(nullptr, FALSE, L"Local");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);  // a is still open
    EXPECT_TRUE(CloseHandle(a));
    EXPECT_TRUE(CloseHandle(c));
    HANDLE d = CreateMutexW(nullptr, FALSE, L"Local");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_TRUE(CloseHandle(d));
    EXPECT_FALSE(CloseHandle(d));
    EXPECT_FALSE(ReleaseMutex(d));
}

class RuntimeFolderTest : public IpcTest {};

TEST_F(RuntimeFolderTest, IsCreatedPrivate) {
    EXPECT_EQ(dv::ipc::PrepareRuntimeDir(), "");
    struct stat info {};
    ASSERT_EQ(::stat(m_runtime.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(RuntimeFolderTest, AFolderOpenToOthersIsRefusedAndNothingUsesIt) {
    ASSERT_EQ(::mkdir(m_runtime.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(m_runtime.c_str(), 0777), 0);
    std::string problem = dv::ipc::PrepareRuntimeDir();
    EXPECT_NE(problem.find("is open to group or others (mode 0777)"), std::string::npos) << problem;
    dv::testing::LogCapture log;
    EXPECT_EQ(CreateMutexW(nullptr, TRUE, L"Dialvane"), nullptr);
    EXPECT_EQ(FindWindowW(nullptr, L"Launcher_Tulvo"), nullptr);
    EXPECT_TRUE(log.Contains("refusing to use it"));
    EXPECT_FALSE(std::filesystem::exists(m_runtime / "mutex.guard"));
}

TEST_F(RuntimeFolderTest, AFolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give the folder away";
    }
    ASSERT_EQ(::mkdir(m_runtime.c_str(), 0700), 0);
    ASSERT_EQ(::chown(m_runtime.c_str(), 12345, 12345), 0);
    std::string problem = dv::ipc::PrepareRuntimeDir();
    EXPECT_NE(problem.find("belongs to uid 12345, not to this user (uid 0)"), std::string::npos)
        << problem;
}

}  // namespace
}  // namespace dv::test

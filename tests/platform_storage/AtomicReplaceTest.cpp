// A file opened with create is replaced whole or not at all, whichever
// system call of the replacement fails or is cut by a power loss.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/WinBase.h"
#include "platform/afx/CFile.h"
#include "platform/storage/StorageFaults.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/ScopedDeviceRoot.h"

namespace {

using dv::ReplaceStep;
using dv::StorageFaultAction;
using dv::StorageFaultScope;
using dv::testing::ScopedDeviceRoot;

constexpr const wchar_t* kConf = L"\\FlashMem\\sysini\\conf.ini";
constexpr const char* kConfHost = "FlashMem/sysini/conf.ini";
constexpr const char* kTempHost = "FlashMem/sysini/.conf.ini.new";
const std::string kOld = "old record bytes, 26 long.";
const std::string kNew = "NEW RECORD BYTES, 26 LONG!";

class AtomicReplace : public ::testing::Test {
protected:
    void SetUp() override {
        root.MakeFolder("FlashMem/sysini");
        root.WriteFile(kConfHost, kOld);
    }

    // The settings writer's way: create, two writes, close.
    static bool SaveNew() {
        CFile file;
        if (!file.Open(kConf, 0x1002)) {
            return false;
        }
        bool written = file.Write(kNew.data(), 13);
        written = file.Write(kNew.data() + 13, 13) && written;
        return file.Close() && written;
    }

    static std::string ReadThroughApi() {
        CFile file;
        if (!file.Open(kConf, CFile::modeRead)) {
            return "<cannot open>";
        }
        char buffer[64];
        UINT n = file.Read(buffer, sizeof buffer);
        return std::string(buffer, n);
    }

    ScopedDeviceRoot root;
    dv::testing::LogCapture log;
};

TEST_F(AtomicReplace, StepsOfOneReplacementAreTheExpectedSystemCalls) {
    StorageFaultScope faults;
    ASSERT_TRUE(SaveNew());
    EXPECT_EQ(faults.Steps(), (std::vector<ReplaceStep>{
                                  ReplaceStep::OpenTemp, ReplaceStep::Write, ReplaceStep::Write,
                                  ReplaceStep::Sync, ReplaceStep::Rename, ReplaceStep::SyncDir}));
    EXPECT_EQ(root.ReadFile(kConfHost), kNew);
}

// Power lost at each step in turn: before the rename the old bytes stay,
// from the rename on the new ones are there; never anything else, and the
// next open (with a stale temporary file lying about) works.
TEST_F(AtomicReplace, CutAtEveryStepLeavesOldOrNewContents) {
    constexpr unsigned kSteps = 6;
    constexpr unsigned kRenameStep = 5;
    for (unsigned step = 1; step <= kSteps; ++step) {
        SCOPED_TRACE("cut at step " + std::to_string(step));
        root.WriteFile(kConfHost, kOld);
        {
            StorageFaultScope faults;
            faults.Arm(step, StorageFaultAction::Cut);
            EXPECT_FALSE(SaveNew());
        }
        std::string onDisk = root.ReadFile(kConfHost);
        EXPECT_EQ(onDisk, step <= kRenameStep ? kOld : kNew);
        EXPECT_EQ(ReadThroughApi(), onDisk);
        // The next save goes through and cleans up whatever was left.
        ASSERT_TRUE(SaveNew());
        EXPECT_EQ(root.ReadFile(kConfHost), kNew);
        EXPECT_FALSE(root.Exists(kTempHost));
    }
}

TEST_F(AtomicReplace, FailureAtAnyStepBeforeTheRenameKeepsTheOldBytesAndReportsIt) {
    for (unsigned step = 1; step <= 5; ++step) {
        SCOPED_TRACE("fail at step " + std::to_string(step));
        root.WriteFile(kConfHost, kOld);
        log.Clear();
        {
            StorageFaultScope faults;
            faults.Arm(step, StorageFaultAction::Fail);
            EXPECT_FALSE(SaveNew());
        }
        EXPECT_EQ(root.ReadFile(kConfHost), kOld);
        EXPECT_FALSE(root.Exists(kTempHost));
        EXPECT_NE(log.Text().find("injected fault"), std::string::npos) << log.Text();
    }
}

TEST_F(AtomicReplace, FailedFolderFlushIsReportedThoughTheFileIsReplaced) {
    StorageFaultScope faults;
    faults.Arm(6, StorageFaultAction::Fail);
    EXPECT_FALSE(SaveNew());
    EXPECT_EQ(root.ReadFile(kConfHost), kNew);
    EXPECT_TRUE(log.Contains("fsync of the folder failed"));
}

TEST_F(AtomicReplace, CreateOpenFailsWhenTheTemporaryFileCannotBeMade) {
    StorageFaultScope faults;
    faults.Arm(1, StorageFaultAction::Fail);
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(kConf, 0x1002, &error));
    EXPECT_EQ(error.m_lOsError, ERROR_WRITE_FAULT);
    // The failed open left no lock behind.
    EXPECT_TRUE(file.Open(kConf, 0x1002));
}

TEST_F(AtomicReplace, StaleTemporaryFileOfAKilledWriterIsOverwritten) {
    root.WriteFile(kTempHost, std::string(100, 'G'));
    ASSERT_TRUE(SaveNew());
    EXPECT_EQ(root.ReadFile(kConfHost), kNew);
    EXPECT_FALSE(root.Exists(kTempHost));
}

// The harness's way: DIALVANE_STORAGE_FAULT makes a fresh process die at the
// chosen step. The child is this test program again, running only the
// helper below.
TEST_F(AtomicReplace, EnvironmentCutEndsTheProcessAndLeavesOldOrNew) {
    for (unsigned step : {2u, 4u, 6u}) {
        SCOPED_TRACE("cut at step " + std::to_string(step));
        root.WriteFile(kConfHost, kOld);
        pid_t pid = ::fork();
        if (pid == 0) {
            std::string value = "cut:" + std::to_string(step);
            ::setenv("DIALVANE_STORAGE_FAULT", value.c_str(), 1);
            ::setenv("DIALVANE_TEST_SAVE_CHILD", "1", 1);
            ::execl("/proc/self/exe", "test_platform_storage",
                    "--gtest_filter=AtomicReplaceChild.SaveOnce", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), dv::kPowerCutExitStatus);
        EXPECT_EQ(root.ReadFile(kConfHost), step <= 5 ? kOld : kNew);
        EXPECT_EQ(ReadThroughApi(), root.ReadFile(kConfHost));
    }
}

TEST(AtomicReplaceChild, SaveOnce) {
    if (std::getenv("DIALVANE_TEST_SAVE_CHILD") == nullptr) {
        GTEST_SKIP() << "runs only as the child of the power-cut test";
    }
    CFile file;
    if (file.Open(kConf, 0x1002)) {
        file.Write(kNew.data(), 13);
        file.Write(kNew.data() + 13, 13);
        file.Close();
    }
}

}  // namespace

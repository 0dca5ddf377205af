// Files of the device root: their bytes, whole replacement, sharing, the factory layout.

#include <sys/resource.h>

#include <fstream>
#include <future>

#include "Support.h"
#include "platform/Platform.h"
#include "platform/afx/CFile.h"
#include "platform/storage/StorageFaults.h"

namespace dv::test {
namespace {

using dv::testing::ScopedDeviceRoot;

constexpr const wchar_t* kConf = L"\\FlashMem\\sysini\\conf.ini";
constexpr const char* kConfHost = "FlashMem/sysini/conf.ini";
constexpr const char* kTempHost = "FlashMem/sysini/.conf.ini.new";
constexpr UINT kCreateWrite = 0x1002;
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr unsigned kRenameStep = 5;
const std::string kOld = "old record bytes, 26 long.", kNew = "NEW_RECORD_BYTES,_26_LONG!";

class Storage : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        root.MakeFolder("FlashMem/sysini");
        root.WriteFile(kConfHost, kOld);
    }
    static bool SaveNew() {  // the settings writer's way: create, two writes, close
        CFile file;
        if (!file.Open(kConf, kCreateWrite)) {
            return false;
        }
        bool written = file.Write(kNew.data(), 13);
        written = file.Write(kNew.data() + 13, 13) && written;
        return file.Close() && written;
    }
    static HANDLE Open(DWORD access, DWORD share, DWORD disposition = OPEN_EXISTING,
                       const wchar_t* name = kConf) {
        return CreateFileW(name, access, share, nullptr, disposition, 0, nullptr);
    }
    static DWORD OpenError(DWORD access, DWORD share, DWORD how = OPEN_EXISTING,
                           const wchar_t* name = kConf) {
        return ErrorOf([=] { return Open(access, share, how, name) != INVALID_HANDLE_VALUE; });
    }
};

// A failed step is logged and reported; the file is the old one until the rename.
TEST_F(Storage, AFaultAtAnyReplacementStepIsReportedLeavingTheOldFileOrTheNew) {
    const std::string names[] = {"open temporary file", "write", "write", "fsync", "rename",
                                 "fsync folder"};
    for (unsigned step = 1; step <= 6; ++step) {
        for (const bool cut : {false, true}) {
            SCOPED_TRACE((cut ? "cut at step " : "fail at step ") + std::to_string(step));
            root.WriteFile(kConfHost, kOld);
            log.Clear();
            {
                dv::StorageFaultScope faults;
                faults.Arm(step, cut ? dv::StorageFaultAction::Cut : dv::StorageFaultAction::Fail);
                EXPECT_FALSE(SaveNew());
                ASSERT_EQ(faults.Steps().size(), step);  // none after the faulty one
                EXPECT_EQ(dv::ReplaceStepName(faults.Steps().back()), names[step - 1]);
            }
            EXPECT_EQ(root.ReadFile(kConfHost), step <= kRenameStep ? kOld : kNew);
            EXPECT_EQ(root.Exists(kTempHost), cut && step <= kRenameStep && step > 1);
            const std::string logged = step == 6 ? "fsync of the folder" : names[step - 1];
            EXPECT_EQ(log.Contains(": " + logged + " failed (injected fault)\r\n"), !cut);
            ASSERT_TRUE(SaveNew());  // and the next save cleans up
            EXPECT_FALSE(root.Exists(kTempHost));
        }
    }
    // The new file keeps the mode of the one it replaces.
    std::filesystem::permissions(root / kConfHost, std::filesystem::perms(0600));
    ASSERT_TRUE(SaveNew());
    EXPECT_EQ(std::filesystem::status(root / kConfHost).permissions(),
              std::filesystem::perms(0600));
    // A failed temporary file fails the open with a write fault and leaves no lock.
    dv::StorageFaultScope faults;
    faults.Arm(1, dv::StorageFaultAction::Fail);
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(kConf, kCreateWrite, &error));
    EXPECT_EQ(error.m_lOsError, ERROR_WRITE_FAULT);
    EXPECT_TRUE(file.Open(kConf, kCreateWrite));
    faults.Arm(1, dv::StorageFaultAction::Fail);  // the write itself
    EXPECT_EQ(ErrorOf([&] { return file.Write(kNew.data(), 26); }), ERROR_WRITE_FAULT);
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(root.ReadFile(kConfHost), kNew);  // the last good save's
    // CloseHandle reports a replacement that failed at the close as well.
    HANDLE h = Open(GENERIC_WRITE, 0, CREATE_ALWAYS);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "abc", 3, &n, nullptr));
    faults.Arm(1, dv::StorageFaultAction::Fail);  // the fsync
    EXPECT_EQ(ErrorOf([&] { return CloseHandle(h); }), ERROR_WRITE_FAULT);
    EXPECT_EQ(root.ReadFile(kConfHost), kNew);
}

TEST_F(Storage, EachOpenModeSeesTheRightBytes) {
    root.WriteFile(kConfHost, "0123456789");
    char buffer[32] = {};
    DWORD n = 0;
    HANDLE h = Open(kReadWrite, 0, CREATE_ALWAYS);
    ASSERT_TRUE(WriteFile(h, "abcdef", 6, &n, nullptr));
    EXPECT_EQ(SetFilePointer(h, 2, nullptr, FILE_BEGIN), 2u);
    ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(std::string(buffer, n), "cdef");
    EXPECT_EQ(root.ReadFile(kConfHost), "0123456789");  // replaced only at the close
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(root.ReadFile(kConfHost), "abcdef");

    h = Open(GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_TRUE(WriteFile(h, "abcdAB", 6, &n, nullptr));
    EXPECT_EQ(ErrorOf([&] { return ReadFile(h, buffer, 1, &n, nullptr); }), ERROR_ACCESS_DENIED);
    CloseHandle(h);
    CFile file;
    ASSERT_TRUE(file.Open(kConf, CFile::modeRead));
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 2u);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(ErrorOf([&] { return file.Write("x", 1); }), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ErrorOf([&] { return file.Open(kConf, CFile::modeRead); }),  // already open
              ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(file.Close());
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.IsOpen());  // a second close is harmless
    EXPECT_EQ(root.ReadFile(kConfHost), "abcdAB");
}

TEST_F(Storage, BadArgumentsFailWithTheirError) {
    const std::tuple<const wchar_t*, DWORD, DWORD> cases[] = {
        // name, disposition, error
        {L"", OPEN_EXISTING, ERROR_INVALID_PARAMETER},
        {kConf, 99, ERROR_INVALID_PARAMETER},
        {kConf, CREATE_NEW, 80},  // ERROR_FILE_EXISTS
        {L"\\FlashMem\\sysini\\none.ini", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {L"\\FlashMem\\nowhere\\conf.ini", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {L"XYZ9:", OPEN_EXISTING, ERROR_DEV_NOT_EXIST}};
    for (const auto& [name, disposition, error] : cases) {
        EXPECT_EQ(OpenError(GENERIC_WRITE, 0, disposition, name), error) << disposition;
    }
    EXPECT_FALSE(root.Exists("FlashMem/nowhere"));
    EXPECT_FALSE(root.Exists("FlashMem/sysini/none.ini"));
    const HANDLE bogus = reinterpret_cast<HANDLE>(0x4242);
    DWORD n = 7;
    EXPECT_EQ(ErrorOf(ReadFile, bogus, nullptr, 0, &n, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(WriteFile(bogus, "x", 1, &n, nullptr));
    EXPECT_EQ(SetFilePointer(bogus, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    HANDLE h = Open(GENERIC_READ, 0);
    EXPECT_EQ(SetFilePointer(h, -5, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetFilePointer(h, 0x7FFFFFFF, nullptr, FILE_BEGIN), 0x7FFFFFFFu);
    EXPECT_EQ(SetFilePointer(h, 0x7FFFFFFF, nullptr, FILE_CURRENT), 0xFFFFFFFEu);  // the last
    EXPECT_EQ(SetFilePointer(h, 1, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);  // the moves before it set no error
    EXPECT_EQ(ErrorOf(ReadFile, h, nullptr, 1, &n, nullptr), ERROR_INVALID_PARAMETER);
    CloseHandle(h);
    CFile file;
    EXPECT_FALSE(file.Open(kConf, 0x0003));
    EXPECT_FALSE(file.Open(nullptr, 0));
    CloseHandle(Open(GENERIC_WRITE, 0, CREATE_ALWAYS, L"\\..\\..\\escape.txt"));
    EXPECT_TRUE(root.Exists("escape.txt"));  // a path cannot climb out of the root
}

TEST_F(Storage, SharingRulesHoldBetweenHandlesThreadsAndProcesses) {
    // A child's exit status (0: opened for reading).
    const auto childOpens = [](DWORD share) {
        return InChild([=] { return !OpenError(GENERIC_READ, share); });
    };
    HANDLE shared = Open(GENERIC_READ, FILE_SHARE_READ);
    ASSERT_NE(shared, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenError(GENERIC_READ, 0), ERROR_SHARING_VIOLATION);
    EXPECT_EQ((std::vector{childOpens(FILE_SHARE_READ), childOpens(0)}), (std::vector{0, 1}));
    CloseHandle(shared);

    CFile held;
    ASSERT_TRUE(held.Open(kConf, CFile::modeRead));
    EXPECT_EQ(OpenError(GENERIC_READ, 0), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(OpenError(GENERIC_READ, FILE_SHARE_READ), ERROR_SHARING_VIOLATION);
    auto other = std::async(std::launch::async, [] {
        CFile file;
        CFileException error;  // a fresh thread: no error left before the open
        const bool opened = file.Open(kConf, kCreateWrite, &error);
        return opened || GetLastError() != DWORD(error.m_lOsError) ? 0 : error.m_lOsError;
    });
    EXPECT_EQ(other.get(), static_cast<LONG>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(childOpens(FILE_SHARE_READ), 1);
    held.Close();
    EXPECT_EQ(root.ReadFile(kConfHost), kOld);
    EXPECT_FALSE(root.Exists(kTempHost));

    const auto dieHolding = [] {
        return Open(kReadWrite, 0) != INVALID_HANDLE_VALUE && !::kill(::getpid(), SIGKILL);
    };
    EXPECT_EQ(InChild(dieHolding), -1);
    EXPECT_TRUE(CloseHandle(Open(GENERIC_READ, 0)));  // the dead process holds nothing
}

// Locks live in the runtime folder (e2e_readonly_root reads a root nobody may write), one per
// file of each root.
TEST_F(Storage, ALockBelongsToTheFileOfItsOwnRootAndLivesOutsideIt) {
    CFile held;
    ASSERT_TRUE(held.Open(kConf, CFile::modeRead));
    {
        ScopedDeviceRoot other;  // the same unit path in another root is another file
        other.MakeFolder("FlashMem/sysini");
        other.WriteFile(kConfHost, kNew);
        EXPECT_TRUE(CloseHandle(Open(GENERIC_READ, 0)));
    }
    held.Close();
    EXPECT_FALSE(root.Exists(".locks"));
}

TEST(Provisioning, OnlyANewRootIsGivenTheFactoryLayoutWholeOrNotAtAll) {
    ScopedDeviceRoot root(ScopedDeviceRoot::Shape::Missing);
    ASSERT_TRUE(dv::ProvisionDeviceRoot());
    const std::string image = root.ReadFile("dev/FLS1.img");
    // The boot record: version, length, image offset, size and load address, boot delay,
    // its CRC-32, then the auto-start flag; the rest of the sector erased.
    EXPECT_EQ(image.substr(2112, 96), std::string("DVBL\1\0Z\0\0\0\4\0\0\0`\0\0\0 \x80,\1", 22) +
                                          std::string(64, '\0') + "\xC5\xFE\x52\x28\1" +
                                          std::string(5, '\xFF'));
    EXPECT_EQ(image.substr(0, 2112), std::string(2112, '\xFF'));
    std::filesystem::remove(root / "registry.reg");
    EXPECT_TRUE(dv::ProvisionDeviceRoot());
    EXPECT_FALSE(root.Exists("registry.reg"));  // an old root is kept

    ScopedDeviceRoot file(ScopedDeviceRoot::Shape::Missing);
    { std::ofstream(file.Path()) << "not a folder"; }
    dv::testing::LogCapture log;
    EXPECT_FALSE(dv::ProvisionDeviceRoot());
    EXPECT_TRUE(std::filesystem::is_regular_file(file.Path()));
    EXPECT_TRUE(log.Contains("exists but is not a folder"));
    ::setenv("DIALVANE_ROOT", (file.Path() / "unit").c_str(), 1);  // no folder under a file
    EXPECT_FALSE(dv::ProvisionDeviceRoot());
    EXPECT_TRUE(log.Contains("cannot make " + file.Path().string() + "/"));
    EXPECT_FALSE(log.Contains("cannot write"));  // it stops at the first failure
    // A write refused part way (at 3000 bytes: the click fits, the flash image not) leaves nothing.
    ScopedDeviceRoot full(ScopedDeviceRoot::Shape::Missing);
    EXPECT_EQ(InChild([] {
                  const rlimit limit{3000, 3000};
                  return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR &&
                         ::setrlimit(RLIMIT_FSIZE, &limit) == 0 && !dv::ProvisionDeviceRoot();
              }),
              0);
    EXPECT_TRUE(std::filesystem::is_empty(full.Path().parent_path()));

    // Concurrent first starts all see one whole root.
    ScopedDeviceRoot fresh(ScopedDeviceRoot::Shape::Missing);
    const std::vector<int> statuses = InChildrenAtOnce(4, [&](int) {
        return dv::ProvisionDeviceRoot() &&
               std::filesystem::file_size(fresh / "dev/FLS1.img") == 4096;
    });
    EXPECT_EQ(statuses, std::vector<int>(4, 0));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(fresh.Path().parent_path()), {}),
              1);  // nothing but the root is left behind
}

}  // namespace
}  // namespace dv::test

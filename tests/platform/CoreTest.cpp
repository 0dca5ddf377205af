// Kernel services: events, named mutexes across processes, the debug
// output, ticks, text conversion, the runtime folder's privacy and the logged codes.
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "Support.h"
#include "platform/Afx.h"
#include "platform/Platform.h"
#include "platform/core/Termination.h"
#include "platform/storage/FileLock.h"

namespace dv::test {
namespace {

class Core : public PlatformTest {};

// The click's kind: an auto-reset event, set from another thread, waited for with a time-out.
TEST_F(Core, AnAutomaticEventGivesItsSignalToOneWait) {
    HANDLE automatic = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(automatic));
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    const DWORD start = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(automatic, 40), WAIT_TIMEOUT);
    EXPECT_GE(GetTickCount() - start, 39u);
    std::thread setter([automatic] { SetEvent(automatic); });
    EXPECT_EQ(WaitForSingleObject(automatic, 10000), WAIT_OBJECT_0);
    setter.join();
    EXPECT_TRUE(CloseHandle(automatic));
    for (HANDLE bad :
         {automatic, static_cast<HANDLE>(nullptr), reinterpret_cast<HANDLE>(0x12345)}) {
        EXPECT_THAT(
            (std::vector{ErrorOf([&] { return WaitForSingleObject(bad, 0) != WAIT_FAILED; }),
                         ErrorOf(SetEvent, bad), ErrorOf(ResetEvent, bad),
                         ErrorOf(CloseHandle, bad), ErrorOf(ReleaseMutex, bad)}),
            ::testing::Each(ERROR_INVALID_HANDLE));
    }
}

// Racing creators (one creates, the rest find it) are e2e_startup's 20 copies at once.
TEST_F(Core, ANamedMutexLivesFromItsOneCreatorToItsLastHandle) {
    Peer holder("mutex Dialvane");
    ASSERT_EQ(holder.ReadLine(), "handle 0");
    const auto create = [](BOOL owned, DWORD error) {
        HANDLE h = CreateMutexW(nullptr, owned, L"Dialvane");
        EXPECT_EQ(GetLastError(), error);
        return h;
    };
    HANDLE second = create(TRUE, ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ErrorOf(ReleaseMutex, second), 288u);  // not owner: opened, not owned
    EXPECT_TRUE(CloseHandle(second));
    holder.Signal(SIGKILL);
    holder.Wait();
    HANDLE a = create(TRUE, ERROR_SUCCESS);
    EXPECT_TRUE(ReleaseMutex(a));
    EXPECT_EQ(ErrorOf(ReleaseMutex, a), 288u);
    HANDLE b = create(FALSE, ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CloseHandle(a));
    HANDLE c = create(FALSE, ERROR_ALREADY_EXISTS);  // b is still open
    EXPECT_THAT((std::vector{CloseHandle(b), CloseHandle(c)}), ::testing::Each(TRUE));
    EXPECT_TRUE(CloseHandle(create(FALSE, ERROR_SUCCESS)));
}

// A copy told to end keeps the name until it is gone, and a new one waits it out (e2e_supervisor's
// restarts right after SIGTERM); one that does not go in time is reported as running.
TEST_F(Core, ACreatorTakesAnEndingHolderThatOutstaysTheWaitForARunningCopy) {
    dv::RequestTermination();
    HANDLE stuck = CreateMutexW(nullptr, FALSE, L"Stuck");
    const DWORD start = GetTickCount();
    CloseHandle(CreateMutexW(nullptr, FALSE, L"Stuck"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_GE(GetTickCount() - start, 2900u);
    CloseHandle(stuck);
    dv::ClearTerminationRequest();
}

TEST_F(Core, TheDebugOutputFormatsAsTheUnitsWidePrintfInUtf8) {
    NKDbgPrintfW(L"Read Size Error ReadByte : %d, INIINFO Size : %d\r\n", 0, 26);
    NKDbgPrintfW(L"Error opening %ls. Error code = 0x%08lx\n", L"\\windows\\question.wav", 2ul);
    NKDbgPrintfW(L"ConTrast : 0X%02x \r\n", 0xC0);
    NKDbgPrintfW(L"100%% %c %s\r\n", L'x', L"\uC124\uC815");
    NKDbgPrintfW(nullptr);
    NKDbgPrintfW(L"");  // written, but empty: not taken for a line too long
    EXPECT_EQ(log.Text(),
              "Read Size Error ReadByte : 0, INIINFO Size : 26\r\n"
              "Error opening \\windows\\question.wav. Error code = 0x00000002\n"
              "ConTrast : 0Xc0 \r\n"
              "100% x \xEC\x84\xA4\xEC\xA0\x95\r\n");
    EXPECT_EQ(log.WriteCount(), 5u);
    // Each sequence length at both its ends; what is no character becomes U+FFFD.
    const std::wstring wide = {0x7F,   0x80,   0x7FF,  0x800,   0xD7FF,   0xD800,
                               0xDFFF, 0xE000, 0xFFFF, 0x10000, 0x10FFFF, 0x110000};
    const std::string utf8 =
        "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEF\xBF\xBD\xEF\xBF\xBD\xEE\x80\x80"
        "\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\xEF\xBF\xBD";
    EXPECT_EQ(dv::WideToUtf8(wide), utf8);
    EXPECT_EQ(dv::Utf8ToWide(utf8), (std::wstring{0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xFFFD, 0xFFFD,
                                                  0xE000, 0xFFFF, 0x10000, 0x10FFFF, 0xFFFD}));
    EXPECT_EQ(dv::Utf8ToWide("\xFF"
                             "a\xE2(\xA1\xF8\xF0\x9F\x98"),
              (std::wstring{0xFFFD, L'a', 0xFFFD, L'(', 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}));
    EXPECT_EQ(dv::UnitPathToHost(L"\\FlashMem\\sysini\\conf.ini"),
              root / "FlashMem/sysini/conf.ini");
}

// The root, the runtime folder, translated unit paths and lock files are kept between calls, yet
// follow the environment as it changes.
TEST_F(Core, PathsFollowTheEnvironmentFromOneCallToTheNext) {
    const std::filesystem::path conf = root.Path() / "FlashMem/sysini/conf.ini";
    EXPECT_EQ(dv::UnitPathToHost(L"\\FlashMem\\sysini\\conf.ini"), conf);
    EXPECT_EQ(dv::FileLock::LockFileFor(conf).parent_path(), runtime / "locks");
    const std::filesystem::path otherRuntime = runtime.string() + "-other";
    ::setenv("DIALVANE_RUNTIME", otherRuntime.c_str(), 1);
    EXPECT_EQ(dv::RuntimeDir(), otherRuntime);
    EXPECT_EQ(dv::FileLock::LockFileFor(conf).parent_path(), otherRuntime / "locks");
    std::filesystem::remove_all(otherRuntime);
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    const std::optional<std::string> ownXdg = xdg ? std::optional<std::string>(xdg) : std::nullopt;
    ::unsetenv("DIALVANE_RUNTIME");
    ::setenv("XDG_RUNTIME_DIR", "/xdg", 1);
    EXPECT_EQ(dv::RuntimeDir(), "/xdg/dialvane");
    ownXdg ? ::setenv("XDG_RUNTIME_DIR", ownXdg->c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("DIALVANE_RUNTIME", runtime.c_str(), 1);

    const std::string ownRoot = root.Path().string();
    ::setenv("DIALVANE_ROOT", "/elsewhere/unit", 1);
    EXPECT_EQ(dv::DeviceRoot(), "/elsewhere/unit");
    EXPECT_EQ(dv::UnitPathToHost(L"\\FlashMem\\sysini\\conf.ini"),
              "/elsewhere/unit/FlashMem/sysini/conf.ini");
    ::setenv("DIALVANE_ROOT", ownRoot.c_str(), 1);
    EXPECT_EQ(dv::UnitPathToHost(L"\\FlashMem\\sysini\\conf.ini"), conf);
}

TEST_F(Core, ARuntimeFolderOpenToOthersIsNeverUsed) {
    HANDLE mine = CreateMutexW(nullptr, TRUE, L"Private");
    struct stat info {};
    ASSERT_EQ(::stat(runtime.c_str(), &info), 0);
    EXPECT_TRUE(CloseHandle(mine));
    EXPECT_EQ((info.st_mode & 0777), 0700u);
    ASSERT_EQ(::chmod(runtime.c_str(), 0777), 0);
    EXPECT_EQ(ErrorOf(CreateMutexW, nullptr, TRUE, L"Dialvane"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(FindWindowW(nullptr, L"Launcher_Tulvo"), nullptr);
    EXPECT_TRUE(log.Contains("is open to group or others (mode 0777); refusing to use it"));
    ::chmod(runtime.c_str(), 0700);
    std::filesystem::create_directory(runtime / "m-Busy.lock");  // the mutex's file cannot open
    EXPECT_EQ(ErrorOf(CreateMutexW, nullptr, TRUE, L"Busy"), ERROR_GEN_FAILURE);
    EXPECT_TRUE(log.Contains("cannot open the named mutex \"Busy\""));
}

// The click sound logs what waveOut* and CreateFileW fail with as numbers ("mr=", "Error code =");
// those no other test sees in a log must be the unit's own.
TEST(Api, LoggedFailureCodesAreTheUnitsOwn) {
    EXPECT_THAT((std::vector<long long>{2, 10, 32, 34, 3, 5, 8, 29, 31, 32, 55, 87}),
                ::testing::ElementsAre(MMSYSERR_BADDEVICEID, MMSYSERR_INVALFLAG, WAVERR_BADFORMAT,
                                       WAVERR_UNPREPARED, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED,
                                       ERROR_NOT_ENOUGH_MEMORY, ERROR_WRITE_FAULT,
                                       ERROR_GEN_FAILURE, ERROR_SHARING_VIOLATION,
                                       ERROR_DEV_NOT_EXIST, ERROR_INVALID_PARAMETER));
}

}  // namespace
}  // namespace dv::test

// The device folder keeps journals and state files open between calls; what
// another program does to the folder meanwhile must still be seen at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/WinBase.h"
#include "platform/core/DeviceFolder.h"
#include "platform/testing/ScopedDeviceRoot.h"

namespace {

using dv::testing::ScopedDeviceRoot;

constexpr DWORD kReadWrite = 0xC0000000u;
constexpr DWORD kSetLevel = 0x2000;

BOOL SetLevel(BYTE level) {
    HANDLE h = CreateFileW(L"BAK1:", kReadWrite, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return FALSE;
    }
    const BOOL ok = DeviceIoControl(h, kSetLevel, &level, 1, nullptr, 0, nullptr, nullptr);
    CloseHandle(h);
    return ok;
}

TEST(DeviceFolder, JournalRemovedOrTruncatedByAnotherProgramKeepsEveryLaterLine) {
    ScopedDeviceRoot root;
    ASSERT_TRUE(SetLevel(10));
    std::filesystem::remove(root / "dev/BAK1.log");
    ASSERT_TRUE(SetLevel(11));
    EXPECT_EQ(root.ReadFile("dev/BAK1.log"), "open\nioctl 0x00002000 in 0b\nclose\n");

    root.WriteFile("dev/BAK1.log", "");
    ASSERT_TRUE(SetLevel(12));
    EXPECT_EQ(root.ReadFile("dev/BAK1.log"), "open\nioctl 0x00002000 in 0c\nclose\n");

    // Renamed away: the old name starts afresh, the moved file keeps its lines.
    std::filesystem::rename(root / "dev/BAK1.log", root / "dev/old.log");
    ASSERT_TRUE(SetLevel(13));
    EXPECT_EQ(root.ReadFile("dev/BAK1.log"), "open\nioctl 0x00002000 in 0d\nclose\n");
    EXPECT_EQ(root.ReadFile("dev/old.log"), "open\nioctl 0x00002000 in 0c\nclose\n");
}

TEST(DeviceFolder, SwitchesTouchedOrRemovedBetweenCallsTakeEffectAtTheNextOpen) {
    ScopedDeviceRoot root;
    EXPECT_TRUE(SetLevel(1));
    root.WriteFile("dev/BAK1.absent", "");
    EXPECT_FALSE(SetLevel(2));
    std::filesystem::remove(root / "dev/BAK1.absent");
    EXPECT_TRUE(SetLevel(3));
    // A switch made by rename, as an atomic writer would.
    root.WriteFile("dev/tmp", "");
    std::filesystem::rename(root / "dev/tmp", root / "dev/BAK1.absent");
    EXPECT_FALSE(SetLevel(4));
    std::filesystem::rename(root / "dev/BAK1.absent", root / "dev/tmp");
    EXPECT_TRUE(SetLevel(5));
}

TEST(DeviceFolder, StateRewrittenInPlaceByAnotherProgramIsReplacedWhole) {
    ScopedDeviceRoot root;
    ASSERT_TRUE(SetLevel(7));
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "7\n");
    root.WriteFile("dev/BAK1.state", "garbage that is long\n");
    ASSERT_TRUE(SetLevel(8));
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "8\n");
    ASSERT_TRUE(SetLevel(100));
    ASSERT_TRUE(SetLevel(9));
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "9\n");
}

TEST(DeviceFolder, FollowsTheDeviceRootAndAFolderMadeAfresh) {
    {
        ScopedDeviceRoot first;
        ASSERT_TRUE(SetLevel(1));
        ScopedDeviceRoot second;
        ASSERT_TRUE(SetLevel(2));
        EXPECT_EQ(first.ReadFile("dev/BAK1.state"), "1\n");
        EXPECT_EQ(second.ReadFile("dev/BAK1.state"), "2\n");
    }
    ScopedDeviceRoot root;
    ASSERT_TRUE(SetLevel(3));
    std::filesystem::remove_all(root / "dev");
    ASSERT_TRUE(SetLevel(4));
    EXPECT_EQ(root.ReadFile("dev/BAK1.state"), "4\n");
    EXPECT_EQ(root.ReadFile("dev/BAK1.log"), "open\nioctl 0x00002000 in 04\nclose\n");
}

TEST(DeviceFolder, AForkedChildWritesTheSameFilesWithoutDisturbingItsParent) {
    ScopedDeviceRoot root;
    ASSERT_TRUE(SetLevel(1));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool ok = SetLevel(2) && !dv::DeviceSwitchIsOn("BAK1.absent");
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    root.WriteFile("dev/BAK1.absent", "");
    EXPECT_FALSE(SetLevel(3));
    EXPECT_EQ(root.ReadFile("dev/BAK1.log"),
              "open\nioctl 0x00002000 in 01\nclose\nopen\nioctl 0x00002000 in 02\nclose\n");
}

}  // namespace

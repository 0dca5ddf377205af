// Windows of other processes: finding them, sending and posting, and what
// happens when the other process dies or hangs.
#include <signal.h>

#include <chrono>
#include <thread>

#include "IpcTestSupport.h"
#include "PeerProcess.h"
#include "platform/WinUser.h"
#include "platform/testing/TestWindow.h"

namespace dv::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT UM_SETTINGS_PAGE = 0x11B0;
constexpr UINT UM_TOUCH_CAL = 0x85A;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class CrossProcessTest : public IpcTest {};

TEST_F(CrossProcessTest, SendWaitsForTheRemoteHandlerAndPostsKeepTheirOrder) {
    Peer peer("window Launcher_Tulvo 42");
    ASSERT_EQ(peer.ReadLine(), "ready");
    HWND launcher = FindWindowW(nullptr, L"Launcher_Tulvo");
    ASSERT_NE(launcher, nullptr);
    EXPECT_TRUE(IsWindow(launcher));
    EXPECT_EQ(FindWindowW(nullptr, L"Launcher_Tulvo"), launcher);

    EXPECT_TRUE(PostMessageW(launcher, UM_TOUCH_CAL, 1, 0));
    EXPECT_TRUE(PostMessageW(launcher, 0x1234, 5, -7));
    EXPECT_EQ(SendMessageW(launcher, UM_SETTINGS_PAGE, 3, 0), 42);
    EXPECT_EQ(peer.ReadLine(), "2138 1 0");
    EXPECT_EQ(peer.ReadLine(), "4660 5 -7");
    EXPECT_EQ(peer.ReadLine(), "4528 3 0");
}

TEST_F(CrossProcessTest, ADeadWindowIsNotFoundAndLosesMessagesAtOnce) {
    Peer peer("window Gone 1");
    ASSERT_EQ(peer.ReadLine(), "ready");
    HWND remote = FindWindowW(nullptr, L"Gone");
    ASSERT_NE(remote, nullptr);
    peer.Signal(SIGKILL);
    peer.Wait();

    EXPECT_EQ(FindWindowW(nullptr, L"Gone"), nullptr);
    EXPECT_FALSE(IsWindow(remote));
    auto start = Clock::now();
    EXPECT_EQ(SendMessageW(remote, UM_SETTINGS_PAGE, 1, 0), 0);
    EXPECT_FALSE(PostMessageW(remote, UM_SETTINGS_PAGE, 1, 0));
    EXPECT_LT(MillisecondsSince(start), 1000);

    // Its stale socket is replaced by a new window of that title, which the
    // old handle does not reach.
    dv::testing::TestWindow successor(L"Gone", 5);
    EXPECT_EQ(FindWindowW(nullptr, L"Gone"), successor.m_hWnd);
    EXPECT_EQ(SendMessageW(remote, UM_SETTINGS_PAGE, 1, 0), 0);
    dv::testing::PumpMessagesUntilIdle();
    EXPECT_TRUE(successor.Messages().empty());
}

TEST_F(CrossProcessTest, AHungWindowDoesNotHangTheSender) {
    Peer peer("window Stuck 9");
    ASSERT_EQ(peer.ReadLine(), "ready");
    HWND remote = FindWindowW(nullptr, L"Stuck");
    ASSERT_NE(remote, nullptr);
    peer.Signal(SIGSTOP);
    auto start = Clock::now();
    EXPECT_EQ(SendMessageW(remote, UM_SETTINGS_PAGE, 1, 0), 0);
    EXPECT_LT(MillisecondsSince(start), 8000);
    peer.Signal(SIGCONT);
    EXPECT_EQ(peer.ReadLine(), "4528 1 0");
    // The late reply to the lost send is not taken for the next one.
    EXPECT_EQ(SendMessageW(remote, UM_SETTINGS_PAGE, 2, 0), 9);
    EXPECT_EQ(peer.ReadLine(), "4528 2 0");
}

TEST_F(CrossProcessTest, TheWindowsOfThisProcessAreFoundLocally) {
    dv::testing::TestWindow local(L"Here", 3);
    EXPECT_EQ(FindWindowW(nullptr, L"Here"), local.m_hWnd);
    // A class this window does not have: its own socket does not count.
    EXPECT_EQ(FindWindowW(L"Other", L"Here"), nullptr);
    EXPECT_EQ(FindWindowW(nullptr, L"Nobody"), nullptr);
}

}  // namespace
}  // namespace dv::test

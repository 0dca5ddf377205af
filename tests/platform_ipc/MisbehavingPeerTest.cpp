// Peers that misuse a window's socket: one that never reads its replies, one
// that hoards connections, one that posts a WM_TIMER naming a callback, and
// one that sends the messages of a window's creation and destruction. None
// may stall, crash or bloat the window's process or starve it of
// descriptors; the window goes on answering everyone else.
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "IpcTestSupport.h"
#include "platform/WinUser.h"
#include "platform/ipc/Frame.h"
#include "platform/ipc/IpcClient.h"
#include "platform/ipc/RuntimeFolder.h"
#include "platform/ipc/Sockets.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/TestWindow.h"

namespace dv::test {
namespace {

using Clock = std::chrono::steady_clock;
using dv::ipc::Frame;
using dv::ipc::FrameKind;
using dv::testing::PumpMessagesUntil;
using dv::testing::TestWindow;

constexpr UINT WM_PROBE = WM_USER + 7;
constexpr LRESULT kAnswer = 9;
// Far more replies than a socket buffer holds.
constexpr int kUnreadSends = 20000;
// Each reply that cannot be written waits this long (the server's limit).
constexpr int kReplyWaitMs = 1000;
// More than the server keeps open at once (128).
constexpr int kHoardedConnections = 200;
constexpr int kConnectionLimit = 128;
constexpr int kTimerId = 7;
constexpr LPARAM kBogusCallback = 0x41414141;

dv::ipc::RemoteWindow SocketOf(const wchar_t* title) {
    std::string path = dv::ipc::WindowSocketPath(title).string();
    return dv::ipc::RemoteWindow{path, dv::ipc::SocketIdentity(path).value_or(0)};
}

std::vector<uint8_t> MessageFrame(FrameKind kind, UINT message, WPARAM wParam, LPARAM lParam) {
    Frame frame;
    frame.kind = kind;
    frame.message = message;
    frame.wParam = wParam;
    frame.lParam = lParam;
    return dv::ipc::EncodeFrame(frame);
}

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class MisbehavingPeerTest : public IpcTest {};

// Once the flooder's socket is full every reply to it would wait for the
// limit, so its thousands of requests would hold the window for hours. The
// window gives up on it after the first such reply.
TEST_F(MisbehavingPeerTest, APeerThatLeavesItsRepliesUnreadCannotHoldUpTheWindow) {
    dv::testing::LogCapture log;
    TestWindow window(L"Target", kAnswer);
    auto remote = SocketOf(L"Target");
    dv::UniqueFd flooder;
    ASSERT_EQ(dv::ipc::ConnectTo(remote.socketPath, 1000, flooder),
              dv::ipc::ConnectResult::Connected);
    std::vector<uint8_t> flood;
    for (int i = 0; i < kUnreadSends; ++i) {
        auto bytes = MessageFrame(FrameKind::Send, WM_NULL, 0, 0);
        flood.insert(flood.end(), bytes.begin(), bytes.end());
    }
    std::atomic<bool> done = false;
    std::optional<LRESULT> probe;
    long long probeMs = 0;
    std::thread peers([&] {
        dv::ipc::WriteAll(flooder.Get(), flood, 10000);
        Frame request;
        request.kind = FrameKind::Send;
        request.message = WM_PROBE;
        auto start = Clock::now();
        probe = dv::ipc::Transact(remote, request, true, 10000);
        probeMs = MillisecondsSince(start);
        // Closed, the flooder no longer holds anything up either way.
        flooder.Reset();
        done = true;
    });
    EXPECT_TRUE(PumpMessagesUntil([&] { return done.load(); }, 15000));
    peers.join();
    EXPECT_EQ(probe, kAnswer);
    EXPECT_LT(probeMs, 4 * kReplyWaitMs);
    EXPECT_EQ(window.MessagesOf(WM_PROBE).size(), 1u);
    EXPECT_TRUE(log.Contains("a reply could not be written"));
}

bool ClosedByTheServer(int fd) {
    char byte = 0;
    return ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
}

// Each open connection costs the window's process a descriptor; a peer
// that keeps hundreds open would leave none for its files.
TEST_F(MisbehavingPeerTest, APeerThatHoardsConnectionsGetsOnlySoManyOfThem) {
    dv::testing::LogCapture log;
    TestWindow window(L"Target", kAnswer);
    auto remote = SocketOf(L"Target");
    std::vector<dv::UniqueFd> hoard(kHoardedConnections);
    for (auto& fd : hoard) {
        ASSERT_EQ(dv::ipc::ConnectTo(remote.socketPath, 1000, fd),
                  dv::ipc::ConnectResult::Connected);
    }
    auto counted = [&] {
        return std::count_if(hoard.begin(), hoard.end(),
                             [](const dv::UniqueFd& fd) { return ClosedByTheServer(fd.Get()); });
    };
    EXPECT_TRUE(PumpMessagesUntil(
        [&] { return counted() >= kHoardedConnections - kConnectionLimit; }, 5000));
    // Connections of earlier tests in this process may still count.
    EXPECT_LT(counted(), kHoardedConnections);
    EXPECT_TRUE(log.Contains("connections are open already"));

    hoard.clear();
    std::atomic<bool> done = false;
    std::optional<LRESULT> probe;
    std::thread peer([&] {
        Frame request;
        request.kind = FrameKind::Send;
        request.message = WM_PROBE;
        // The server may not have seen the hoard go yet: one retry.
        for (int attempt = 0; attempt < 2 && !probe; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            probe = dv::ipc::Transact(remote, request, true, 3000);
        }
        done = true;
    });
    EXPECT_TRUE(PumpMessagesUntil([&] { return done.load(); }, 10000));
    peer.join();
    EXPECT_EQ(probe, kAnswer);
}

// A repeated WM_INITDIALOG would build the dialog's surfaces and fonts anew
// each time, a WM_DESTROY tear them down under the running dialog.
TEST_F(MisbehavingPeerTest, MessagesOnlyTheWindowSystemSendsAreNotTakenFromPeers) {
    dv::testing::LogCapture log;
    TestWindow window(L"Target", kAnswer);
    auto remote = SocketOf(L"Target");
    std::atomic<bool> done = false;
    std::vector<std::optional<LRESULT>> results;
    std::thread peer([&] {
        for (UINT message : {WM_INITDIALOG, WM_CREATE, WM_DESTROY, UINT{0x81}, UINT{0x82}}) {
            Frame post;
            post.kind = FrameKind::Post;
            post.message = message;
            dv::ipc::Transact(remote, post, false, 1000);
            Frame send = post;
            send.kind = FrameKind::Send;
            results.push_back(dv::ipc::Transact(remote, send, true, 5000));
        }
        Frame probe;
        probe.kind = FrameKind::Send;
        probe.message = WM_PROBE;
        results.push_back(dv::ipc::Transact(remote, probe, true, 5000));
        done = true;
    });
    EXPECT_TRUE(PumpMessagesUntil([&] { return done.load(); }, 8000));
    peer.join();
    EXPECT_EQ(results, (std::vector<std::optional<LRESULT>>{0, 0, 0, 0, 0, kAnswer}));
    EXPECT_EQ(window.Messages(), (std::vector<dv::testing::RecordedMessage>{{WM_PROBE, 0, 0}}));
    EXPECT_TRUE(log.Contains("dropped message 0x110 from pid "));
    EXPECT_TRUE(log.Contains(": only the window system sends it"));
}

int g_callbackRuns = 0;

void CountRun(HWND, UINT, UINT_PTR, DWORD) {
    ++g_callbackRuns;
}

// A posted WM_TIMER's lParam is whatever the sender put there; calling it
// would jump to an address of the sender's choosing.
TEST_F(MisbehavingPeerTest, ATimerMessageRunsOnlyACallbackTheWindowsTimerWasSetWith) {
    dv::testing::LogCapture log;
    TestWindow window(L"Target", kAnswer);
    auto remote = SocketOf(L"Target");
    std::atomic<bool> done = false;
    std::optional<LRESULT> probe;
    std::thread peer([&] {
        dv::UniqueFd fd;
        dv::ipc::ConnectTo(remote.socketPath, 1000, fd);
        dv::ipc::WriteAll(fd.Get(),
                          MessageFrame(FrameKind::Post, WM_TIMER, kTimerId, kBogusCallback), 1000);
        Frame request;
        request.kind = FrameKind::Send;
        request.message = WM_PROBE;
        probe = dv::ipc::Transact(remote, request, true, 5000);
        done = true;
    });
    EXPECT_TRUE(PumpMessagesUntil([&] { return done.load(); }, 8000));
    peer.join();
    EXPECT_EQ(probe, kAnswer);
    EXPECT_TRUE(window.MessagesOf(WM_TIMER).empty());
    EXPECT_TRUE(log.Contains("dropped a WM_TIMER whose callback is not one of the window's"));

    // The same message posted in this process is no better; a real timer's
    // callback still runs.
    PostMessageW(window.m_hWnd, WM_TIMER, kTimerId, reinterpret_cast<LPARAM>(&CountRun));
    dv::testing::PumpMessagesUntilIdle();
    EXPECT_EQ(g_callbackRuns, 0);
    ASSERT_EQ(SetTimer(window.m_hWnd, kTimerId, 1, &CountRun), static_cast<UINT_PTR>(kTimerId));
    EXPECT_TRUE(PumpMessagesUntil([] { return g_callbackRuns > 0; }, 2000));
    EXPECT_TRUE(KillTimer(window.m_hWnd, kTimerId));
}

}  // namespace
}  // namespace dv::test

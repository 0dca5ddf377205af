// The serving side as another program sees it through the socket: replies
// when idle, pen and screenshot requests, malformed frames and other users.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "IpcTestSupport.h"
#include "platform/WinUser.h"
#include "platform/ipc/IpcClient.h"
#include "platform/ipc/RuntimeFolder.h"
#include "platform/ipc/Sockets.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/TestWindow.h"

namespace dv::test {
namespace {

using dv::ipc::Frame;
using dv::ipc::FrameKind;
using dv::testing::PumpMessagesUntil;
using dv::testing::TestWindow;

constexpr UINT WM_FIRST = WM_USER + 1;
constexpr UINT WM_FOLLOW_UP = WM_USER + 2;

// Handling WM_FIRST causes more work: a posted message and a repaint.
class ChainWindow : public TestWindow {
public:
    using TestWindow::TestWindow;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = TestWindow::WindowProc(message, wParam, lParam);
        if (message == WM_FIRST) {
            PostMessage(WM_FOLLOW_UP);
            Invalidate(FALSE);
        }
        if (message == WM_PAINT) {
            painted = true;
        }
        return result;
    }
    std::atomic<bool> painted = false;
};

dv::ipc::RemoteWindow SocketOf(const wchar_t* title) {
    std::string path = dv::ipc::WindowSocketPath(title).string();
    return dv::ipc::RemoteWindow{path, dv::ipc::SocketIdentity(path).value_or(0)};
}

Frame SendFrame(UINT message, uint32_t flags) {
    Frame f;
    f.kind = FrameKind::Send;
    f.message = message;
    f.wParam = 1;
    f.flags = flags;
    return f;
}

class ServerTest : public IpcTest {};

TEST_F(ServerTest, ARequestThatAsksForIdleIsAnsweredAfterEverythingItCaused) {
    ChainWindow window(L"Chain", 11);
    auto remote = SocketOf(L"Chain");
    std::atomic<bool> done = false;
    std::optional<LRESULT> result;
    bool followUpSeenFirst = false;
    bool paintSeenFirst = false;
    std::thread sender([&] {
        result =
            dv::ipc::Transact(remote, SendFrame(WM_FIRST, dv::ipc::kFlagReplyWhenIdle), true, 5000);
        followUpSeenFirst = !window.MessagesOf(WM_FOLLOW_UP).empty();
        paintSeenFirst = window.painted;
        done = true;
    });
    EXPECT_TRUE(PumpMessagesUntil([&] { return done.load(); }, 5000));
    sender.join();
    EXPECT_EQ(result, 11);
    EXPECT_TRUE(followUpSeenFirst);
    EXPECT_TRUE(paintSeenFirst);
}

TEST_F(ServerTest, PenAndScreenshotRequestsRunOnTheUiThread) {
    TestWindow window(L"Dialvane", 0, true);
    auto remote = SocketOf(L"Dialvane");
    std::string png = (m_runtime / "shot.png").string();
    std::atomic<bool> done = false;
    std::optional<LRESULT> shot;
    std::thread sender([&] {
        Frame pen;
        pen.kind = FrameKind::Pen;
        pen.flags = dv::ipc::kFlagReplyWhenIdle;
        pen.x = 30;
        pen.y = 40;
        dv::ipc::Transact(remote, pen, true, 5000);
        pen.pen = dv::ipc::PenCode::Up;
        dv::ipc::Transact(remote, pen, true, 5000);
        Frame picture;
        picture.kind = FrameKind::Shot;
        picture.path = png;
        shot = dv::ipc::Transact(remote, picture, true, 5000);
        done = true;
    });
    EXPECT_TRUE(PumpMessagesUntil([&] { return done.load(); }, 5000));
    sender.join();
    EXPECT_EQ(window.MessagesOf(WM_LBUTTONDOWN).size(), 1u);
    EXPECT_EQ(window.MessagesOf(WM_LBUTTONUP).size(), 1u);
    EXPECT_EQ(shot, 1);
    struct stat info {};
    EXPECT_EQ(::stat(png.c_str(), &info), 0);
}

// Writes raw bytes to a window's socket and collects what comes back.
class RawClient {
public:
    explicit RawClient(const dv::ipc::RemoteWindow& window) {
        dv::ipc::ConnectTo(window.socketPath, 1000, m_fd);
    }
    void Write(const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(dv::ipc::WriteAll(m_fd.Get(), bytes, 1000));
    }
    int Fd() const { return m_fd.Get(); }

private:
    dv::UniqueFd m_fd;
};

// Reads one reply, pumping this thread's loop so the window can answer.
// Returns nullopt at end of stream.
std::optional<Frame> ReadReply(int fd) {
    dv::ipc::FrameDecoder decoder;
    std::optional<Frame> reply;
    bool ended = false;
    PumpMessagesUntil(
        [&] {
            uint8_t buffer[256];
            ssize_t n = ::recv(fd, buffer, sizeof(buffer), MSG_DONTWAIT);
            if (n == 0) {
                ended = true;
                return true;
            }
            if (n > 0) {
                decoder.Feed(std::span<const uint8_t>(buffer, static_cast<std::size_t>(n)));
                auto result = decoder.Next();
                if (result.status == dv::ipc::FrameDecoder::Status::Frame) {
                    reply = result.frame;
                    return true;
                }
            }
            return false;
        },
        3000);
    return reply;
}

TEST_F(ServerTest, MalformedFramesAreDroppedWithALogLineAndChangeNothing) {
    dv::testing::LogCapture log;
    TestWindow window(L"Target", 5);
    RawClient client(SocketOf(L"Target"));
    // Unknown kind, then a Send whose payload is too short: both dropped,
    // the connection goes on.
    std::vector<uint8_t> unknown = dv::ipc::EncodeFrame(SendFrame(WM_FIRST, 0));
    unknown[6] = 0x42;
    client.Write(unknown);
    std::vector<uint8_t> shortSend = dv::ipc::EncodeFrame(SendFrame(WM_FIRST, 0));
    shortSend[12] = 8;
    shortSend.resize(dv::ipc::kHeaderSize + 8);
    client.Write(shortSend);
    Frame unexpectedReply;
    unexpectedReply.kind = FrameKind::Reply;
    client.Write(dv::ipc::EncodeFrame(unexpectedReply));
    client.Write(dv::ipc::EncodeFrame(SendFrame(WM_FOLLOW_UP, 0)));
    auto reply = ReadReply(client.Fd());
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->result, 5);
    EXPECT_EQ(window.Messages().size(), 1u);
    EXPECT_TRUE(log.Contains("dialvane ipc: dropped a frame from pid "));
    EXPECT_TRUE(log.Contains("unknown frame kind 0x42\r\n"));
    EXPECT_TRUE(log.Contains("payload of the wrong size"));
    EXPECT_TRUE(log.Contains("dropped a reply frame"));

    // A bad header: the stream cannot be trusted further and is closed.
    std::vector<uint8_t> garbage(64, 0xAB);
    client.Write(garbage);
    EXPECT_FALSE(ReadReply(client.Fd()).has_value());
    EXPECT_TRUE(log.Contains("bad magic 0xabababab\r\n"));
    EXPECT_TRUE(log.Contains("closed the connection from pid "));
    EXPECT_EQ(window.Messages().size(), 1u);
}

TEST_F(ServerTest, ConnectionsOfOtherUsersAreRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    dv::testing::LogCapture log;
    TestWindow window(L"Private", 5);
    auto remote = SocketOf(L"Private");
    ::chmod(m_runtime.c_str(), 0711);
    ::chmod(remote.socketPath.c_str(), 0777);
    // Everything the child needs is made before fork: it only makes calls.
    std::vector<uint8_t> request = dv::ipc::EncodeFrame(SendFrame(WM_FIRST, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, remote.socketPath.c_str(), remote.socketPath.size() + 1);
    pid_t child = ::fork();
    if (child == 0) {
        // Raw system calls only: a child forked from a threaded (and, in the
        // sanitizer build, intercepted) process must not take any lock.
        if (::syscall(SYS_setresuid, 12345, 12345, 12345) != 0) {
            ::syscall(SYS_exit_group, 3);
        }
        long fd = ::syscall(SYS_socket, AF_UNIX, SOCK_STREAM, 0);
        if (::syscall(SYS_connect, fd, &address, sizeof(address)) != 0) {
            ::syscall(SYS_exit_group, 4);
        }
        // The server may already have closed the connection: no SIGPIPE.
        ::syscall(SYS_sendto, fd, request.data(), request.size(), MSG_NOSIGNAL, nullptr, 0);
        char byte = 0;
        long got = ::syscall(SYS_read, fd, &byte, 1);
        ::syscall(SYS_exit_group, got <= 0 ? 0 : 1);  // 0: closed without a reply
    }
    int status = -1;
    PumpMessagesUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 5000);
    ::chmod(m_runtime.c_str(), 0700);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(window.Messages().empty());
    // The server may close the connection a moment before its log line lands.
    EXPECT_TRUE(PumpMessagesUntil(
        [&] { return log.Contains("dialvane ipc: refused a connection from uid 12345"); }, 2000));
}

}  // namespace
}  // namespace dv::test

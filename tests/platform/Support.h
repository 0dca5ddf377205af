// The platform tests' set-up (no display; a device root, runtime folder and
// log capture of each test's own) and peers: this program run again in a role.
#pragma once

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/WinBase.h"
#include "platform/ipc/Frame.h"
#include "platform/ipc/Sockets.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/ScopedDeviceRoot.h"
#include "platform/testing/TestWindow.h"

namespace dv::test {

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override {
        dv::testing::PumpMessagesUntilIdle();
        dv::testing::ClearPendingQuit();
        std::error_code ignored;
        std::filesystem::remove_all(runtime, ignored);
        EXPECT_NE(::fcntl(STDIN_FILENO, F_GETFD), -1) << "descriptor 0 was closed";
    }

    dv::testing::ScopedDeviceRoot root;
    dv::testing::LogCapture log;
    std::filesystem::path runtime;
};

int ExitStatusOf(pid_t pid);  // waits for the process's end: its exit status, or -1

// Roles: "window TITLE ANSWER" (prints "ready", then "MSG WPARAM LPARAM" per message); "display" (a
// dialog opens the screen; presents three empty rectangles and one of 5 x 5; prints "display 1" if
// shown); "mutex NAME" (prints "handle|null ERROR", then holds it).
class Peer {
public:
    explicit Peer(const std::string& role);
    ~Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    // The next line printed, "" at its end or after timeoutMs.
    std::string ReadLine(int timeoutMs = 5000);
    void Signal(int signal) {
        if (m_pid > 0) {  // never -1: that would signal every process
            ::kill(m_pid, signal);
        }
    }
    int Wait() { return ExitStatusOf(std::exchange(m_pid, -1)); }

private:
    pid_t m_pid = -1;
    int m_fd = -1;
    std::string m_buffered;
};

// Runs body(0) .. body(count - 1) in as many processes at once; the exit
// status of each (0 when body returned true), in order.
std::vector<int> InChildrenAtOnce(int count, const std::function<bool(int)>& body);
inline int InChild(const std::function<bool()>& body) {
    return InChildrenAtOnce(1, [&](int) { return body(); })[0];
}

constexpr int kWireTimeoutMs = 1000;  // to connect or to write

class WirePeer {  // another program on a window's socket, speaking wire frames or any bytes
public:
    explicit WirePeer(const wchar_t* title);
    ~WirePeer() { ::close(m_fd); }  // nothing for -1
    WirePeer(const WirePeer&) = delete;
    WirePeer& operator=(const WirePeer&) = delete;

    bool Connected() const { return m_fd >= 0; }
    bool Write(std::span<const uint8_t> bytes) {
        return m_fd >= 0 && dv::ipc::WriteAll(m_fd, bytes, kWireTimeoutMs);
    }
    // Pumps up to timeoutMs for a reply frame: its result, or nullopt when the
    // window closed the connection or did not answer.
    std::optional<LRESULT> ReadReply(int timeoutMs);
    bool ClosedByWindow(int timeoutMs) {
        return dv::testing::PumpMessagesUntil([&] { return !Receive(); }, timeoutMs);
    }

    static std::vector<uint8_t> Message(dv::ipc::FrameKind kind, UINT message, WPARAM wParam,
                                        LPARAM lParam, bool replyWhenIdle = false);
    static std::vector<uint8_t> Pen(int action, int x, int y, bool replyWhenIdle = true);
    static std::vector<uint8_t> Shot(const std::string& path);
    // One request on a connection of its own, answered or not (any thread).
    static std::optional<LRESULT> Transact(const wchar_t* title, std::span<const uint8_t> frame,
                                           int timeoutMs);

private:
    bool Receive();  // receives what has come, without waiting: false once the window closed

    int m_fd = -1;
    std::vector<uint8_t> m_received;
};

std::vector<BYTE> Utf16(std::u16string_view text, bool terminator = true);
// The error a call with these arguments leaves, 0 when it answered non-zero.
template <class Call, class... Args>
DWORD ErrorOf(Call call, Args... args) {
    SetLastError(0);
    return call(args...) ? 0 : GetLastError();
}

inline std::vector<UINT> Ids(const dv::testing::TestWindow& window) {
    const auto messages = window.Messages();
    std::vector<UINT> ids(messages.size());
    std::ranges::transform(messages, ids.begin(), &dv::testing::RecordedMessage::message);
    return ids;
}

}  // namespace dv::test

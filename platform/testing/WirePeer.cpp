#include "platform/testing/WirePeer.h"

#include <sys/socket.h>
#include <unistd.h>

#include "platform/ipc/Frame.h"
#include "platform/ipc/IpcClient.h"
#include "platform/ipc/RuntimeFolder.h"
#include "platform/ipc/Sockets.h"
#include "platform/testing/TestWindow.h"

namespace dv::testing {
namespace {

constexpr int kConnectTimeoutMs = 1000;

ipc::RemoteWindow SocketOf(const wchar_t* title) {
    std::string path = ipc::WindowSocketPath(title).string();
    return ipc::RemoteWindow{path, ipc::SocketIdentity(path).value_or(0)};
}

std::optional<ipc::Frame> DecodeOne(std::span<const uint8_t> bytes) {
    ipc::FrameDecoder decoder;
    decoder.Feed(bytes);
    auto result = decoder.Next();
    if (result.status != ipc::FrameDecoder::Status::Frame) {
        return std::nullopt;
    }
    return result.frame;
}

}  // namespace

WirePeer::WirePeer(const wchar_t* title) {
    UniqueFd fd;
    if (ipc::ConnectTo(SocketOf(title).socketPath, kConnectTimeoutMs, fd) ==
        ipc::ConnectResult::Connected) {
        m_fd = fd.Release();
    }
}

WirePeer::~WirePeer() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool WirePeer::Write(std::span<const uint8_t> bytes) {
    return m_fd >= 0 && ipc::WriteAll(m_fd, bytes, kConnectTimeoutMs);
}

std::optional<LRESULT> WirePeer::ReadReply(int timeoutMs) {
    std::optional<LRESULT> reply;
    PumpMessagesUntil(
        [&] {
            uint8_t buffer[256];
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0) {
                return true;
            }
            if (n > 0) {
                m_received.insert(m_received.end(), buffer, buffer + n);
                if (auto frame = DecodeOne(m_received)) {
                    m_received.clear();
                    reply = frame->result;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return reply;
}

bool WirePeer::ClosedByWindow(int timeoutMs) {
    return PumpMessagesUntil(
        [&] {
            uint8_t byte = 0;
            return ::recv(m_fd, &byte, 1, MSG_DONTWAIT) == 0;
        },
        timeoutMs);
}

std::vector<uint8_t> WirePeer::Message(WireKind kind, UINT message, WPARAM wParam, LPARAM lParam,
                                       bool replyWhenIdle) {
    ipc::Frame frame;
    frame.kind = static_cast<ipc::FrameKind>(kind);
    frame.seq = 1;
    frame.flags = replyWhenIdle ? ipc::kFlagReplyWhenIdle : 0;
    frame.message = message;
    frame.wParam = wParam;
    frame.lParam = lParam;
    return ipc::EncodeFrame(frame);
}

std::vector<uint8_t> WirePeer::Pen(int action, int x, int y, bool replyWhenIdle) {
    ipc::Frame frame;
    frame.kind = ipc::FrameKind::Pen;
    frame.flags = replyWhenIdle ? ipc::kFlagReplyWhenIdle : 0;
    frame.pen = static_cast<ipc::PenCode>(action);
    frame.x = x;
    frame.y = y;
    return ipc::EncodeFrame(frame);
}

std::vector<uint8_t> WirePeer::Shot(const std::string& path) {
    ipc::Frame frame;
    frame.kind = ipc::FrameKind::Shot;
    frame.path = path;
    return ipc::EncodeFrame(frame);
}

std::optional<LRESULT> WirePeer::Transact(const wchar_t* title, std::span<const uint8_t> frame,
                                          int timeoutMs) {
    auto decoded = DecodeOne(frame);
    if (!decoded) {
        return std::nullopt;
    }
    return ipc::Transact(SocketOf(title), *decoded, true, timeoutMs);
}

}  // namespace dv::testing

#include "platform/ipc/IpcClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>

#include "platform/core/DebugLog.h"
#include "platform/core/Termination.h"
#include "platform/ipc/Sockets.h"

namespace dv::ipc {
namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr std::size_t kReadChunk = 4096;

// One connection per remote window and process, kept between messages so
// that what one sender sends arrives in the order sent.
struct ClientConnection {
    std::mutex lock;
    UniqueFd fd;
    uint64_t identity = 0;
    uint32_t nextSeq = 1;
    FrameDecoder decoder;
};

struct ClientState {
    std::mutex lock;
    std::map<std::string, std::shared_ptr<ClientConnection>> connections;
};

ClientState& State() {
    static ClientState* state = new ClientState;  // lives to the process end
    return *state;
}

void Forget(const std::string& path, const std::shared_ptr<ClientConnection>& connection) {
    ClientState& s = State();
    std::lock_guard guard(s.lock);
    auto it = s.connections.find(path);
    if (it != s.connections.end() && it->second == connection) {
        s.connections.erase(it);
    }
}

bool PeerIsThisUser(int fd, const std::string& path) {
    uid_t uid = 0;
    pid_t pid = 0;
    if (PeerCredentials(fd, uid, pid) && uid == ::geteuid()) {
        return true;
    }
    dv::WriteDebugText("dialvane ipc: refused to talk to \"" + path + "\": it belongs to uid " +
                       std::to_string(uid) + ", not to this user\r\n");
    return false;
}

std::shared_ptr<ClientConnection> Connect(const RemoteWindow& window) {
    auto connection = std::make_shared<ClientConnection>();
    if (ConnectTo(window.socketPath, kConnectTimeoutMs, connection->fd) !=
        ConnectResult::Connected) {
        return nullptr;
    }
    if (!PeerIsThisUser(connection->fd.Get(), window.socketPath)) {
        return nullptr;
    }
    connection->identity = window.identity;
    ClientState& s = State();
    std::lock_guard guard(s.lock);
    s.connections[window.socketPath] = connection;
    return connection;
}

// The cached connection, or a new one; null when the window is gone. A
// socket file of another identity is another window of the same title.
std::shared_ptr<ClientConnection> Acquire(const RemoteWindow& window, bool& reused) {
    if (SocketIdentity(window.socketPath) != window.identity) {
        return nullptr;
    }
    {
        ClientState& s = State();
        std::lock_guard guard(s.lock);
        auto it = s.connections.find(window.socketPath);
        if (it != s.connections.end() && it->second->identity == window.identity) {
            reused = true;
            return it->second;
        }
    }
    reused = false;
    return Connect(window);
}

std::optional<LRESULT> AwaitReply(ClientConnection& connection, uint32_t seq, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    uint8_t buffer[kReadChunk];
    for (;;) {
        for (;;) {
            FrameDecoder::Result result = connection.decoder.Next();
            if (result.status == FrameDecoder::Status::NeedMore) {
                break;
            }
            if (result.status == FrameDecoder::Status::Fatal) {
                return std::nullopt;
            }
            // Late replies to requests that timed out are skipped.
            if (result.status == FrameDecoder::Status::Frame &&
                result.frame.kind == FrameKind::Reply && result.frame.seq == seq) {
                return static_cast<LRESULT>(result.frame.result);
            }
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        // A process that is ending does not wait for an answer: its close
        // must not hang on a peer that is stopped or busy.
        pollfd waiters[] = {{connection.fd.Get(), POLLIN, 0}, {TerminationFd(), POLLIN, 0}};
        int ready = ::poll(waiters, 2, static_cast<int>(left.count()));
        if (TerminationRequested()) {
            return std::nullopt;
        }
        if (ready <= 0 || (waiters[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;  // interrupted or timed out: the deadline decides
        }
        ssize_t n = ::recv(connection.fd.Get(), buffer, sizeof(buffer), MSG_DONTWAIT);
        if (n == 0) {
            return std::nullopt;  // the peer died or closed
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        connection.decoder.Feed(std::span<const uint8_t>(buffer, static_cast<std::size_t>(n)));
    }
}

}  // namespace

std::optional<LRESULT> Transact(const RemoteWindow& window, Frame frame, bool expectReply,
                                int timeoutMs) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool reused = false;
        auto connection = Acquire(window, reused);
        if (connection == nullptr) {
            return std::nullopt;
        }
        std::lock_guard guard(connection->lock);
        frame.seq = connection->nextSeq++;
        std::vector<uint8_t> bytes = EncodeFrame(frame);
        if (!WriteAll(connection->fd.Get(), bytes, timeoutMs)) {
            Forget(window.socketPath, connection);
            // A kept connection may have been closed by the peer since; one
            // fresh try tells that apart from a peer that is gone.
            if (reused) {
                continue;
            }
            return std::nullopt;
        }
        if (!expectReply) {
            return 0;
        }
        auto result = AwaitReply(*connection, frame.seq, timeoutMs);
        if (!result) {
            Forget(window.socketPath, connection);
        }
        return result;
    }
    return std::nullopt;
}

}  // namespace dv::ipc

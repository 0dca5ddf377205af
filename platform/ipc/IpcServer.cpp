// The serving side: one thread per process polls the listening sockets of
// its titled windows and their connections, decodes frames and hands each
// request to the window's handler of requests. Replies are written by
// whoever answers (the window's UI thread).
#include "platform/ipc/IpcServer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/DebugLog.h"
#include "platform/ipc/Frame.h"
#include "platform/ipc/Sockets.h"

namespace dv::ipc {

namespace {

constexpr int kReplyWriteTimeoutMs = 1000;
constexpr std::size_t kReadChunk = 4096;
// The unit has a handful of programs. A peer that opens connections and
// keeps them (a leak, or a flood) must not use up the descriptors the
// process needs for its own files: past this many, new ones are closed.
constexpr std::size_t kMaxConnections = 128;
// Out of descriptors, the listener stays readable; waiting a little keeps
// the server thread from spinning until some are free again.
constexpr auto kOutOfDescriptorsPause = std::chrono::milliseconds(100);

void Log(const std::string& text) {
    dv::WriteDebugText("dialvane ipc: " + text + "\r\n");
}

struct Connection {
    UniqueFd fd;
    RequestHandler handler;
    FrameDecoder decoder;
    pid_t pid = 0;
    std::mutex writeLock;
    bool replyFailed = false;  // under writeLock

    // Runs on the window's UI thread. A sender that gave up or died just
    // misses its reply. One that sends requests but leaves the replies
    // unread would make every further reply wait out the timeout, holding
    // the UI thread for as long as its requests last: after the first reply
    // that cannot be written the connection is closed and its later replies
    // are skipped at once.
    void Reply(uint32_t seq, LRESULT result, ReplyStatus status) {
        std::vector<uint8_t> bytes = EncodeFrame(ReplyFrame(seq, result, status));
        std::lock_guard guard(writeLock);
        if (replyFailed) {
            return;
        }
        if (!WriteAll(fd.Get(), bytes, kReplyWriteTimeoutMs)) {
            replyFailed = true;
            // The server thread sees the end of the stream and drops it.
            ::shutdown(fd.Get(), SHUT_RDWR);
            Log("closed the connection from pid " + std::to_string(pid) +
                ": a reply could not be written (the sender is gone or does not read)");
        }
    }
};

struct Server {
    std::mutex lock;
    std::vector<std::shared_ptr<Listener>> listeners;
    std::vector<std::shared_ptr<Connection>> connections;
    UniqueFd wake;
    bool started = false;
};

Server& TheServer() {
    static Server* server = new Server;  // lives to the process end, as its thread
    return *server;
}

void WakeServer(Server& server) {
    uint64_t one = 1;
    if (server.wake.Valid()) {
        [[maybe_unused]] ssize_t n = ::write(server.wake.Get(), &one, sizeof(one));
    }
}

void HandleFrame(const std::shared_ptr<Connection>& connection, const Frame& frame) {
    if (frame.kind == FrameKind::Reply) {
        Log("dropped a reply frame that no request of this process asked for (pid " +
            std::to_string(connection->pid) + ")");
        return;
    }
    const uint32_t seq = frame.seq;
    connection->handler(frame, connection->pid, [connection, seq](LRESULT result) {
        connection->Reply(seq, result, ReplyStatus::Handled);
    });
}

// Reads what is there; false when the connection is finished.
bool ServeConnection(const std::shared_ptr<Connection>& connection) {
    uint8_t buffer[kReadChunk];
    for (;;) {
        ssize_t n = ::recv(connection->fd.Get(), buffer, sizeof(buffer), MSG_DONTWAIT);
        if (n == 0) {
            return false;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        connection->decoder.Feed(std::span<const uint8_t>(buffer, static_cast<std::size_t>(n)));
        for (;;) {
            FrameDecoder::Result result = connection->decoder.Next();
            if (result.status == FrameDecoder::Status::NeedMore) {
                break;
            }
            if (result.status == FrameDecoder::Status::Frame) {
                HandleFrame(connection, result.frame);
                continue;
            }
            Log("dropped a frame from pid " + std::to_string(connection->pid) + ": " +
                result.problem);
            if (result.status == FrameDecoder::Status::Fatal) {
                Log("closed the connection from pid " + std::to_string(connection->pid) +
                    ": its stream cannot be read further");
                return false;
            }
        }
    }
}

void AcceptConnections(Server& server, const std::shared_ptr<Listener>& listener) {
    for (;;) {
        int fd = ::accept4(listener->fd.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EMFILE || errno == ENFILE) {
                std::this_thread::sleep_for(kOutOfDescriptorsPause);
            }
            return;
        }
        auto connection = std::make_shared<Connection>();
        connection->fd.Reset(fd);
        connection->handler = listener->handler;
        uid_t uid = 0;
        if (!PeerCredentials(fd, uid, connection->pid) || uid != ::geteuid()) {
            Log("refused a connection from uid " + std::to_string(uid) + " (pid " +
                std::to_string(connection->pid) + "): not this user");
            continue;
        }
        std::lock_guard guard(server.lock);
        if (server.connections.size() >= kMaxConnections) {
            Log("refused a connection from pid " + std::to_string(connection->pid) + ": " +
                std::to_string(kMaxConnections) + " connections are open already");
            continue;
        }
        server.connections.push_back(std::move(connection));
    }
}

void ServeForever(Server& server) {
    for (;;) {
        std::vector<std::shared_ptr<Listener>> listeners;
        std::vector<std::shared_ptr<Connection>> connections;
        {
            std::lock_guard guard(server.lock);
            listeners = server.listeners;
            connections = server.connections;
        }
        std::vector<pollfd> fds;
        fds.push_back(pollfd{server.wake.Get(), POLLIN, 0});
        for (const auto& l : listeners) {
            fds.push_back(pollfd{l->fd.Get(), POLLIN, 0});
        }
        for (const auto& c : connections) {
            fds.push_back(pollfd{c->fd.Get(), POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            continue;
        }
        if (fds[0].revents != 0) {
            uint64_t count = 0;
            [[maybe_unused]] ssize_t n = ::read(server.wake.Get(), &count, sizeof(count));
        }
        // Connections that ended are let go before new ones are counted.
        for (std::size_t i = 0; i < connections.size(); ++i) {
            if (fds[1 + listeners.size() + i].revents == 0) {
                continue;
            }
            if (!ServeConnection(connections[i])) {
                std::lock_guard guard(server.lock);
                std::erase(server.connections, connections[i]);
            }
        }
        for (std::size_t i = 0; i < listeners.size(); ++i) {
            if (fds[1 + i].revents != 0) {
                AcceptConnections(server, listeners[i]);
            }
        }
    }
}

void StartServer(Server& server) {
    // Called with server.lock held.
    if (server.started) {
        return;
    }
    server.wake.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    server.started = true;
    std::thread([&server] { ServeForever(server); }).detach();
}

}  // namespace

void Serve(std::shared_ptr<Listener> listener) {
    Server& server = TheServer();
    {
        std::lock_guard guard(server.lock);
        StartServer(server);
        server.listeners.push_back(std::move(listener));
    }
    WakeServer(server);
}

void StopServing(const std::shared_ptr<Listener>& listener) {
    Server& server = TheServer();
    {
        std::lock_guard guard(server.lock);
        std::erase(server.listeners, listener);
    }
    WakeServer(server);
}

bool IsServed(const std::string& path, uint64_t identity) {
    Server& server = TheServer();
    std::lock_guard guard(server.lock);
    return std::any_of(server.listeners.begin(), server.listeners.end(),
                       [&](const auto& l) { return l->path == path && l->identity == identity; });
}

}  // namespace dv::ipc

#include "platform/ipc/Sockets.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/core/Termination.h"

namespace dv::ipc {

ConnectResult ConnectTo(const std::string& path, int timeoutMs, UniqueFd& out) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        return ConnectResult::Failed;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) {
        return ConnectResult::Failed;
    }
    // A listener whose process is stopped still accepts until its backlog
    // is full; then connect waits, but no longer than this.
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        switch (errno) {
            case ECONNREFUSED:
                return ConnectResult::Refused;
            case ENOENT:
                return ConnectResult::Missing;
            default:
                return ConnectResult::Failed;
        }
    }
    int flags = ::fcntl(fd.Get(), F_GETFL);
    ::fcntl(fd.Get(), F_SETFL, flags | O_NONBLOCK);
    out = std::move(fd);
    return ConnectResult::Connected;
}

std::optional<uint64_t> SocketIdentity(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) {
        return std::nullopt;
    }
    constexpr uint64_t kMix = 0x9E3779B97F4A7C15ull;
    const uint64_t changed = static_cast<uint64_t>(info.st_ctim.tv_sec) * 1000000000ull +
                             static_cast<uint64_t>(info.st_ctim.tv_nsec);
    return static_cast<uint64_t>(info.st_ino) ^ (changed * kMix);
}

bool PeerCredentials(int fd, uid_t& uid, pid_t& pid) {
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) {
        return false;
    }
    uid = credentials.uid;
    pid = credentials.pid;
    return true;
}

bool WriteAll(int fd, std::span<const uint8_t> bytes, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n =
            ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd waiters[] = {{fd, POLLOUT, 0}, {TerminationFd(), POLLIN, 0}};
            ::poll(waiters, 2, static_cast<int>(left.count()));
            if (TerminationRequested()) {
                return false;  // an ending process does not wait for a full peer
            }
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace dv::ipc

// Publishing titled windows: the socket of each in the runtime folder, how a
// stale one left by a dead process is replaced, and how other processes'
// windows are found and probed.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Platform.h"
#include "platform/core/DebugLog.h"
#include "platform/ipc/IpcServer.h"
#include "platform/ipc/RuntimeFolder.h"
#include "platform/ipc/Sockets.h"
#include "platform/ipc/WindowSockets.h"

namespace dv::ipc {
namespace {

constexpr int kBacklog = 16;
constexpr int kProbeTimeoutMs = 1000;

void Log(const std::string& text) {
    dv::WriteDebugText("dialvane ipc: " + text + "\r\n");
}

// Holds the folder's lock for window sockets while a socket is replaced.
class GuardLock {
public:
    explicit GuardLock(const std::filesystem::path& path)
        : m_fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (m_fd.Valid()) {
            while (::flock(m_fd.Get(), LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }

private:
    UniqueFd m_fd;
};

// Binds a listening socket at path. A socket left by a process that died
// refuses connections: it is replaced. A live one is left alone.
UniqueFd BindListener(const std::string& path, std::string& problem) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        problem = "the socket path \"" + path + "\" is too long";
        return UniqueFd();
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!fd.Valid()) {
            problem = std::string("cannot create a socket: ") + std::strerror(errno);
            return UniqueFd();
        }
        if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
            if (::listen(fd.Get(), kBacklog) != 0) {
                problem = std::string("cannot listen: ") + std::strerror(errno);
                return UniqueFd();
            }
            return fd;
        }
        if (errno != EADDRINUSE || attempt > 0) {
            problem = "cannot bind \"" + path + "\": " + std::strerror(errno);
            return UniqueFd();
        }
        UniqueFd probe;
        ConnectResult alive = ConnectTo(path, kProbeTimeoutMs, probe);
        if (alive == ConnectResult::Connected) {
            problem = "a window of another process already has this title";
            return UniqueFd();
        }
        ::unlink(path.c_str());
    }
    return UniqueFd();
}

}  // namespace

std::shared_ptr<Listener> Publish(const std::wstring& title, RequestHandler handler) {
    if (!RuntimeDirUsable()) {
        return nullptr;
    }
    auto listener = std::make_shared<Listener>();
    listener->path = WindowSocketPath(title).string();
    listener->handler = std::move(handler);
    std::string problem;
    {
        GuardLock guard(GuardPath("windows"));
        listener->fd = BindListener(listener->path, problem);
        if (listener->fd.Valid()) {
            listener->identity = SocketIdentity(listener->path).value_or(0);
        }
    }
    if (!listener->fd.Valid()) {
        Log("the window \"" + dv::WideToUtf8(title) +
            "\" cannot be reached from other processes: " + problem);
        return nullptr;
    }
    Serve(listener);
    return listener;
}

void Unpublish(const std::shared_ptr<Listener>& listener) {
    if (listener == nullptr) {
        return;
    }
    {
        GuardLock guard(GuardPath("windows"));
        if (SocketIdentity(listener->path) == listener->identity) {
            ::unlink(listener->path.c_str());
        }
    }
    StopServing(listener);
}

std::optional<RemoteWindow> FindRemoteWindow(const std::wstring& title) {
    if (!RuntimeDirUsable()) {
        return std::nullopt;
    }
    RemoteWindow window{WindowSocketPath(title).string(), 0};
    auto identity = SocketIdentity(window.socketPath);
    if (!identity) {
        return std::nullopt;
    }
    window.identity = *identity;
    if (IsServed(window.socketPath, window.identity) || !IsRemoteWindowAlive(window)) {
        return std::nullopt;
    }
    return window;
}

bool IsRemoteWindowAlive(const RemoteWindow& window) {
    if (SocketIdentity(window.socketPath) != window.identity) {
        return false;
    }
    UniqueFd probe;
    return ConnectTo(window.socketPath, kProbeTimeoutMs, probe) == ConnectResult::Connected;
}

}  // namespace dv::ipc

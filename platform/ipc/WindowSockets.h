// Titled top-level windows reachable from other processes of the runtime
// folder: one listening Unix stream socket per window, served by one thread
// of the process that hands each request to the window's handler of requests
// (the window layer's, which queues it on the window's UI thread).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/WinDef.h"
#include "platform/ipc/Frame.h"

namespace dv::ipc {

class Listener;

// Answers the request it came with: writes the reply frame to the sender.
// Safe from any thread; a sender that gave up or died just misses it.
using RequestReply = std::function<void(LRESULT result)>;
// Called on the server thread with each request frame (never a reply) and
// the sender's pid.
using RequestHandler =
    std::function<void(const Frame& frame, pid_t sender, const RequestReply& reply)>;

// Binds the window's socket (replacing a stale one left by a dead process).
// Null when the folder is refused or a live window of another process
// already has the title; the reason is logged.
std::shared_ptr<Listener> Publish(const std::wstring& title, RequestHandler handler);
// Stops accepting and removes the socket file if it is still this one.
void Unpublish(const std::shared_ptr<Listener>& listener);

struct RemoteWindow {
    std::string socketPath;
    uint64_t identity = 0;
};

// A live window of another process with this title, if any. The sockets of
// this process's own windows are not counted: those are found locally.
std::optional<RemoteWindow> FindRemoteWindow(const std::wstring& title);
// Still the same socket, and its process still accepts connections.
bool IsRemoteWindowAlive(const RemoteWindow& window);

}  // namespace dv::ipc

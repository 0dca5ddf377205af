// Titled top-level windows reachable from other processes of the runtime
// folder: one listening Unix stream socket per window, served by one thread
// of the process that hands each request to the window's UI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/WinDef.h"
#include "platform/window/ThreadQueue.h"

namespace dv::ipc {

class Listener;

// Binds the window's socket (replacing a stale one left by a dead process).
// Null when the folder is refused or a live window of another process
// already has the title; the reason is logged.
std::shared_ptr<Listener> Publish(HWND hwnd, const std::wstring& title,
                                  std::shared_ptr<window::ThreadQueue> queue);
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

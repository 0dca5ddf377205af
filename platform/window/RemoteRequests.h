// Requests from other processes for a titled window, as the socket transport
// hands them over: each becomes an item of the window's thread queue.
#pragma once

#include <memory>

#include "platform/WinDef.h"
#include "platform/ipc/WindowSockets.h"
#include "platform/window/ThreadQueue.h"

namespace dv::window {

// The handler of requests to publish the window with. Requests that arrive
// after the window's thread has ended are dropped; a waiting sender gets 0.
ipc::RequestHandler RemoteRequestsFor(HWND hwnd, std::weak_ptr<ThreadQueue> queue);

}  // namespace dv::window

// The serving thread of the process's window sockets, as publishing a window
// (WindowSockets.cpp) uses it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/UniqueFd.h"
#include "platform/ipc/WindowSockets.h"

namespace dv::ipc {

class Listener {
public:
    UniqueFd fd;
    std::string path;
    uint64_t identity = 0;
    RequestHandler handler;
};

// Accepts connections on the bound listener from now on; the server thread
// starts with the first one.
void Serve(std::shared_ptr<Listener> listener);
void StopServing(const std::shared_ptr<Listener>& listener);
// One of this process's own listeners has this socket.
bool IsServed(const std::string& path, uint64_t identity);

}  // namespace dv::ipc

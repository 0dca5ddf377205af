// Requests to windows of other processes. Every wait is bounded: a peer that
// died loses the message at once (its socket is gone or closed), a peer that
// hangs loses it after the timeout; nothing is reported to the caller.
#pragma once

#include <optional>

#include "platform/WinDef.h"
#include "platform/ipc/Frame.h"
#include "platform/ipc/WindowSockets.h"

namespace dv::ipc {

// SendMessageW's wait for a remote handler.
constexpr int kSendTimeoutMs = 5000;

// Sends the frame on the cached connection to the window (connecting when
// needed). With expectReply, waits up to timeoutMs for the matching reply
// and returns its result; without, returns 0 once the frame is written.
// nullopt: the window is gone, or did not answer in time.
std::optional<LRESULT> Transact(const RemoteWindow& window, Frame frame, bool expectReply,
                                int timeoutMs);

}  // namespace dv::ipc

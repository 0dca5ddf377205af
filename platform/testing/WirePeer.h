// Another program on a window's socket, speaking the frames of the wire
// protocol (16-byte header "DVM1", version, kind, sequence, payload length,
// then the payload) or any bytes at all, for tests of what a window does
// with well-formed and hostile peers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/WinDef.h"

namespace dv::testing {

enum class WireKind : uint16_t { Send = 1, Post = 2, Pen = 3, Shot = 4, Raise = 5, Reply = 0x80 };

class WirePeer {
public:
    // Connects to the socket of the window titled title in the runtime folder.
    explicit WirePeer(const wchar_t* title);
    ~WirePeer();
    WirePeer(const WirePeer&) = delete;
    WirePeer& operator=(const WirePeer&) = delete;

    bool Connected() const { return m_fd >= 0; }
    bool Write(std::span<const uint8_t> bytes);
    // Waits up to timeoutMs for a reply frame, pumping the calling thread's
    // messages meanwhile: its result, or nullopt when the window closed the
    // connection or did not answer.
    std::optional<LRESULT> ReadReply(int timeoutMs);
    // Waits up to timeoutMs for the window to close the connection.
    bool ClosedByWindow(int timeoutMs);

    static std::vector<uint8_t> Message(WireKind kind, UINT message, WPARAM wParam, LPARAM lParam,
                                        bool replyWhenIdle = false);
    static std::vector<uint8_t> Pen(int action, int x, int y, bool replyWhenIdle = true);
    static std::vector<uint8_t> Shot(const std::string& path);

    // One request on a connection of its own, answered or not (any thread).
    static std::optional<LRESULT> Transact(const wchar_t* title, std::span<const uint8_t> frame,
                                           int timeoutMs);

private:
    int m_fd = -1;
    std::vector<uint8_t> m_received;
};

}  // namespace dv::testing

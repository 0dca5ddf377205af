// The frames that travel between processes of the runtime folder over a
// window's Unix stream socket. Layout and meaning: docs/ipc.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dv::ipc {

constexpr uint32_t kFrameMagic = 0x314D5644;  // bytes "DVM1"
constexpr uint16_t kProtocolVersion = 1;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kMaxPathBytes = 1024;
constexpr std::size_t kMaxPayload = 4 + kMaxPathBytes;

enum class FrameKind : uint16_t {
    Send = 1,   // a message; the sender waits for the reply
    Post = 2,   // a message; no reply unless asked for
    Pen = 3,    // pen input, as the touch screen gives it
    Shot = 4,   // write the screen to a PNG file
    Raise = 5,  // bring the window to the foreground
    Reply = 0x80,
};

// Reply only when the receiving loop is idle again, with everything the
// request caused handled (repaints included). Asks for a reply on Post, Pen
// and Raise, which otherwise get none.
constexpr uint32_t kFlagReplyWhenIdle = 0x1;

enum class PenCode : uint32_t { Down = 0, Move = 1, Up = 2 };

enum class ReplyStatus : uint32_t { Handled = 0, Failed = 1 };

struct Frame {
    FrameKind kind = FrameKind::Send;
    uint32_t seq = 0;
    uint32_t flags = 0;
    // Send, Post
    uint32_t message = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    // Pen
    PenCode pen = PenCode::Down;
    int32_t x = 0;
    int32_t y = 0;
    // Shot: UTF-8 path, 1..kMaxPathBytes bytes, no NUL
    std::string path;
    // Reply
    int64_t result = 0;
    ReplyStatus status = ReplyStatus::Handled;
};

// The requests, as every sender builds them.
Frame MessageFrame(FrameKind kind, uint32_t message, uint64_t wParam, int64_t lParam);
Frame PenFrame(PenCode pen, int32_t x, int32_t y);
// Whether a pen coordinate is one the touch screen can give (16-bit signed);
// a pen frame with another is refused.
bool PenCoordinateFits(int64_t value);
Frame ShotFrame(std::string path);
Frame RaiseFrame();
Frame ReplyFrame(uint32_t seq, int64_t result, ReplyStatus status);

std::vector<uint8_t> EncodeFrame(const Frame& frame);

// Cuts a byte stream into frames. A frame of an unknown kind, or whose
// payload does not fit its kind, is dropped and the stream goes on; a bad
// header (magic, version, oversized length) leaves the stream unusable.
class FrameDecoder {
public:
    enum class Status { Frame, NeedMore, Dropped, Fatal };
    struct Result {
        Status status = Status::NeedMore;
        Frame frame;
        std::string problem;
    };

    void Feed(std::span<const uint8_t> bytes);
    Result Next();
    bool Failed() const { return m_failed; }

private:
    std::vector<uint8_t> m_buffer;
    bool m_failed = false;
    std::string m_failure;
};

}  // namespace dv::ipc

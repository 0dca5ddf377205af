#include "platform/ipc/Frame.h"

#include <cstdio>
#include <utility>

namespace dv::ipc {
namespace {

constexpr std::size_t kMessagePayload = 24;
constexpr std::size_t kPenPayload = 16;
constexpr std::size_t kRaisePayload = 4;
constexpr std::size_t kReplyPayload = 12;
constexpr std::size_t kShotFixed = 4;
// The touch screen reports 16-bit signed coordinates; wider values would wrap
// on their way to a window message's lParam.
constexpr int32_t kPenMin = -32768;
constexpr int32_t kPenMax = 32767;

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void Put64(std::vector<uint8_t>& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

uint64_t Get64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

std::string Describe(const char* what, unsigned long value) {
    char text[96];
    std::snprintf(text, sizeof(text), "%s 0x%lx", what, value);
    return text;
}

// Reads the payload of a frame whose header was good. False: the payload
// does not fit the kind.
bool ParsePayload(Frame& frame, const uint8_t* p, std::size_t size, std::string& problem) {
    switch (frame.kind) {
        case FrameKind::Send:
        case FrameKind::Post:
            if (size != kMessagePayload) {
                break;
            }
            frame.flags = Get32(p);
            frame.message = Get32(p + 4);
            frame.wParam = Get64(p + 8);
            frame.lParam = static_cast<int64_t>(Get64(p + 16));
            return true;
        case FrameKind::Pen: {
            if (size != kPenPayload) {
                break;
            }
            frame.flags = Get32(p);
            uint32_t action = Get32(p + 4);
            if (action > static_cast<uint32_t>(PenCode::Up)) {
                problem = Describe("unknown pen action", action);
                return false;
            }
            frame.pen = static_cast<PenCode>(action);
            frame.x = static_cast<int32_t>(Get32(p + 8));
            frame.y = static_cast<int32_t>(Get32(p + 12));
            if (!PenCoordinateFits(frame.x) || !PenCoordinateFits(frame.y)) {
                problem = "pen coordinates (" + std::to_string(frame.x) + ", " +
                          std::to_string(frame.y) + ") outside -32768..32767";
                return false;
            }
            return true;
        }
        case FrameKind::Shot:
            if (size <= kShotFixed || size > kShotFixed + kMaxPathBytes) {
                break;
            }
            frame.flags = Get32(p);
            frame.path.assign(reinterpret_cast<const char*>(p + kShotFixed), size - kShotFixed);
            if (frame.path.find('\0') != std::string::npos) {
                problem = "screenshot path holds a NUL byte";
                return false;
            }
            return true;
        case FrameKind::Raise:
            if (size != kRaisePayload) {
                break;
            }
            frame.flags = Get32(p);
            return true;
        case FrameKind::Reply:
            if (size != kReplyPayload) {
                break;
            }
            frame.result = static_cast<int64_t>(Get64(p));
            frame.status = static_cast<ReplyStatus>(Get32(p + 8));
            return true;
        default:
            problem = Describe("unknown frame kind", static_cast<unsigned long>(frame.kind));
            return false;
    }
    problem =
        Describe("payload of the wrong size for kind", static_cast<unsigned long>(frame.kind));
    return false;
}

}  // namespace

bool PenCoordinateFits(int64_t value) {
    return value >= kPenMin && value <= kPenMax;
}

Frame MessageFrame(FrameKind kind, uint32_t message, uint64_t wParam, int64_t lParam) {
    Frame frame;
    frame.kind = kind;
    frame.message = message;
    frame.wParam = wParam;
    frame.lParam = lParam;
    return frame;
}

Frame ReplyFrame(uint32_t seq, int64_t result, ReplyStatus status) {
    Frame frame;
    frame.kind = FrameKind::Reply;
    frame.seq = seq;
    frame.result = result;
    frame.status = status;
    return frame;
}

Frame PenFrame(PenCode pen, int32_t x, int32_t y) {
    Frame frame;
    frame.kind = FrameKind::Pen;
    frame.pen = pen;
    frame.x = x;
    frame.y = y;
    return frame;
}

Frame ShotFrame(std::string path) {
    Frame frame;
    frame.kind = FrameKind::Shot;
    frame.path = std::move(path);
    return frame;
}

Frame RaiseFrame() {
    Frame frame;
    frame.kind = FrameKind::Raise;
    return frame;
}

std::vector<uint8_t> EncodeFrame(const Frame& frame) {
    std::vector<uint8_t> payload;
    switch (frame.kind) {
        case FrameKind::Send:
        case FrameKind::Post:
            Put32(payload, frame.flags);
            Put32(payload, frame.message);
            Put64(payload, frame.wParam);
            Put64(payload, static_cast<uint64_t>(frame.lParam));
            break;
        case FrameKind::Pen:
            Put32(payload, frame.flags);
            Put32(payload, static_cast<uint32_t>(frame.pen));
            Put32(payload, static_cast<uint32_t>(frame.x));
            Put32(payload, static_cast<uint32_t>(frame.y));
            break;
        case FrameKind::Shot:
            Put32(payload, frame.flags);
            payload.insert(payload.end(), frame.path.begin(), frame.path.end());
            break;
        case FrameKind::Raise:
            Put32(payload, frame.flags);
            break;
        case FrameKind::Reply:
            Put64(payload, static_cast<uint64_t>(frame.result));
            Put32(payload, static_cast<uint32_t>(frame.status));
            break;
    }
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + payload.size());
    Put32(out, kFrameMagic);
    Put16(out, kProtocolVersion);
    Put16(out, static_cast<uint16_t>(frame.kind));
    Put32(out, frame.seq);
    Put32(out, static_cast<uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

void FrameDecoder::Feed(std::span<const uint8_t> bytes) {
    if (!m_failed) {
        m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    }
}

FrameDecoder::Result FrameDecoder::Next() {
    Result result;
    if (m_failed) {
        result.status = Status::Fatal;
        result.problem = m_failure;
        return result;
    }
    if (m_buffer.size() < kHeaderSize) {
        return result;
    }
    const uint8_t* p = m_buffer.data();
    const uint32_t magic = Get32(p);
    const uint16_t version = Get16(p + 4);
    const uint32_t length = Get32(p + 12);
    if (magic != kFrameMagic) {
        m_failure = Describe("bad magic", magic);
    } else if (version != kProtocolVersion) {
        m_failure = Describe("unsupported protocol version", version);
    } else if (length > kMaxPayload) {
        m_failure = Describe("oversized payload of bytes", length);
    }
    if (!m_failure.empty()) {
        m_failed = true;
        m_buffer.clear();
        m_buffer.shrink_to_fit();
        result.status = Status::Fatal;
        result.problem = m_failure;
        return result;
    }
    if (m_buffer.size() < kHeaderSize + length) {
        return result;
    }
    result.frame.kind = static_cast<FrameKind>(Get16(p + 6));
    result.frame.seq = Get32(p + 8);
    result.status = ParsePayload(result.frame, p + kHeaderSize, length, result.problem)
                        ? Status::Frame
                        : Status::Dropped;
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<long>(kHeaderSize + length));
    return result;
}

}  // namespace dv::ipc

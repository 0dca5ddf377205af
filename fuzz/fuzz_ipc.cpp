// Feeds arbitrary bytes, in arbitrary chunks, to the frame decoder of the
// window sockets: it must never read out of range, grow without bound or
// accept a frame that does not re-encode to the same bytes (the decoder's
// buffer is bounded by the header's length check, which ASan would see).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/ipc/Frame.h"

namespace {

void CheckRoundTrip(const dv::ipc::Frame& frame) {
    auto bytes = dv::ipc::EncodeFrame(frame);
    dv::ipc::FrameDecoder again;
    again.Feed(bytes);
    auto result = again.Next();
    if (result.status != dv::ipc::FrameDecoder::Status::Frame ||
        dv::ipc::EncodeFrame(result.frame) != bytes) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    dv::ipc::FrameDecoder decoder;
    std::size_t offset = 0;
    // The first byte of each step sets the size of the chunk that follows,
    // as reads from a socket would cut the stream.
    while (offset < size) {
        std::size_t chunk = 1 + data[offset] % 64;
        ++offset;
        chunk = std::min(chunk, size - offset);
        decoder.Feed(std::span<const uint8_t>(data + offset, chunk));
        offset += chunk;
        for (;;) {
            auto result = decoder.Next();
            if (result.status == dv::ipc::FrameDecoder::Status::NeedMore ||
                result.status == dv::ipc::FrameDecoder::Status::Fatal) {
                break;
            }
            if (result.status == dv::ipc::FrameDecoder::Status::Frame) {
                CheckRoundTrip(result.frame);
            }
        }
    }
    return 0;
}

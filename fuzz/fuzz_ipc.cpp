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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using Status = dv::ipc::FrameDecoder::Status;
    dv::ipc::FrameDecoder decoder;
    // The first byte of each step sets the size of the chunk that follows,
    // as reads from a socket would cut the stream.
    for (std::size_t offset = 0; offset < size;) {
        const std::size_t chunk = std::min<std::size_t>(1 + data[offset] % 64, size - offset - 1);
        decoder.Feed(std::span<const uint8_t>(data + offset + 1, chunk));
        offset += 1 + chunk;
        for (auto result = decoder.Next();
             result.status != Status::NeedMore && result.status != Status::Fatal;
             result = decoder.Next()) {
            if (result.status != Status::Frame) {
                continue;
            }
            // A frame it accepts re-encodes to bytes that decode to the same frame.
            const auto bytes = dv::ipc::EncodeFrame(result.frame);
            dv::ipc::FrameDecoder again;
            again.Feed(bytes);
            const auto decoded = again.Next();
            if (decoded.status != Status::Frame || dv::ipc::EncodeFrame(decoded.frame) != bytes) {
                std::abort();
            }
        }
    }
    return 0;
}

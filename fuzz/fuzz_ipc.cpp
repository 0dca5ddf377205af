// Feeds arbitrary bytes, in arbitrary chunks, to the frame decoder of the window sockets: it
// must never read out of range or grow without bound (the header's length check bounds its
// buffer, which ASan would see), and every frame it accepts must be exactly what it read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/ipc/Frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using Status = dv::ipc::FrameDecoder::Status;
    dv::ipc::FrameDecoder decoder;
    std::vector<uint8_t> fed;  // every frame, kept or dropped, is cut from its front
    std::size_t cut = 0;
    // The first byte of each step sets the size of the chunk that follows,
    // as reads from a socket would cut the stream.
    for (std::size_t offset = 0; offset < size;) {
        const std::size_t chunk = std::min<std::size_t>(1 + data[offset] % 64, size - offset - 1);
        decoder.Feed(std::span<const uint8_t>(data + offset + 1, chunk));
        fed.insert(fed.end(), data + offset + 1, data + offset + 1 + chunk);
        offset += 1 + chunk;
        for (auto result = decoder.Next();
             result.status != Status::NeedMore && result.status != Status::Fatal;
             result = decoder.Next()) {
            // Below the fatal size, a frame's length field fits its two low bytes.
            const std::size_t length =
                dv::ipc::kHeaderSize + fed.at(cut + 12) + 256u * fed[cut + 13];
            if (result.status == Status::Frame &&
                !std::ranges::equal(dv::ipc::EncodeFrame(result.frame),
                                    std::span(fed).subspan(cut, length))) {
                std::abort();
            }
            cut += length;
        }
    }
    return 0;
}

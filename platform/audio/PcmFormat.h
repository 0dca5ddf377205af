// The sample format device 0 plays: linear PCM, 8-bit unsigned or 16-bit
// signed little-endian, mono or stereo, interleaved.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/MmSystem.h"

namespace dv {

struct PcmFormat {
    unsigned channels = 1;
    unsigned rate = 0;
    unsigned bits = 16;

    std::size_t FrameBytes() const { return channels * (bits / 8); }
    // The journal's form: "pcm 1 22050 16".
    std::string Describe() const;

    // Reads the format record of a wave file. Only the 16 bytes that every PCM
    // record has are read: the record may be exactly that long, without
    // cbSize. Returns nothing for a format the device does not play.
    static std::optional<PcmFormat> FromRecord(const WAVEFORMATEX& record);
};

}  // namespace dv

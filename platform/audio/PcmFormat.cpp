#include "platform/audio/PcmFormat.h"

#include <cstddef>
#include <cstring>

namespace dv {
namespace {

// What the output (with SDL's conversion) takes.
constexpr unsigned kMinRate = 1000;
constexpr unsigned kMaxRate = 384000;

}  // namespace

std::string PcmFormat::Describe() const {
    return "pcm " + std::to_string(channels) + " " + std::to_string(rate) + " " +
           std::to_string(bits);
}

std::optional<PcmFormat> PcmFormat::FromRecord(const WAVEFORMATEX& record) {
    // Only the fields every PCM record has: the record may end before cbSize.
    WAVEFORMATEX pcm{};
    std::memcpy(&pcm, &record, offsetof(WAVEFORMATEX, cbSize));
    if (pcm.wFormatTag != WAVE_FORMAT_PCM) {
        return std::nullopt;
    }
    if (pcm.nChannels != 1 && pcm.nChannels != 2) {
        return std::nullopt;
    }
    if (pcm.wBitsPerSample != 8 && pcm.wBitsPerSample != 16) {
        return std::nullopt;
    }
    if (pcm.nSamplesPerSec < kMinRate || pcm.nSamplesPerSec > kMaxRate) {
        return std::nullopt;
    }
    PcmFormat format{pcm.nChannels, pcm.nSamplesPerSec, pcm.wBitsPerSample};
    // A block that is not one frame would split samples across channels.
    if (pcm.nBlockAlign != format.FrameBytes()) {
        return std::nullopt;
    }
    return format;
}

}  // namespace dv

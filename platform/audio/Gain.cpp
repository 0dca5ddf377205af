#include "platform/audio/Gain.h"

#include <array>
#include <cstring>

namespace dv {
namespace {

constexpr int64_t kFullLevel = 0xFFFF;
constexpr int kU8Centre = 0x80;

}  // namespace

int16_t ScaleSample16(int16_t sample, WORD level) {
    return static_cast<int16_t>(static_cast<int64_t>(sample) * level / kFullLevel);
}

uint8_t ScaleSample8(uint8_t sample, WORD level) {
    int64_t centred = static_cast<int64_t>(sample) - kU8Centre;
    return static_cast<uint8_t>(centred * level / kFullLevel + kU8Centre);
}

uint8_t SilenceByte(const PcmFormat& format) {
    return format.bits == 8 ? kU8Centre : 0;
}

void CopyWithGain(const PcmFormat& format, DWORD volume, std::span<const uint8_t> src,
                  std::span<uint8_t> dst) {
    const std::array levels{LOWORD(volume), HIWORD(volume)};  // left, right
    if (levels[0] == kFullLevel && (format.channels == 1 || levels[1] == kFullLevel)) {
        std::memcpy(dst.data(), src.data(), src.size());
        return;
    }
    const std::size_t frameBytes = format.FrameBytes();
    const std::size_t sampleBytes = format.bits / 8;
    for (std::size_t at = 0; at + frameBytes <= src.size(); at += frameBytes) {
        for (unsigned ch = 0; ch < format.channels; ++ch) {
            const std::size_t i = at + ch * sampleBytes;
            if (format.bits == 8) {
                dst[i] = ScaleSample8(src[i], levels[ch]);
                continue;
            }
            // 16-bit samples are little-endian in the buffer.
            auto sample = static_cast<int16_t>(static_cast<uint16_t>(src[i] | (src[i + 1] << 8)));
            auto scaled = static_cast<uint16_t>(ScaleSample16(sample, levels[ch]));
            dst[i] = static_cast<uint8_t>(scaled & 0xFF);
            dst[i + 1] = static_cast<uint8_t>(scaled >> 8);
        }
    }
}

}  // namespace dv

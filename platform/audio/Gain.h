// The device volume as gain: the low half of the volume value is the left
// level, the high half the right level, 0x0000 silent to 0xFFFF unchanged.
// Mono plays at the left level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/WinDef.h"
#include "platform/audio/PcmFormat.h"

namespace dv {

// Copies whole frames from src to dst (same length, a multiple of the frame
// size) scaled by the channel levels of volume.
void CopyWithGain(const PcmFormat& format, DWORD volume, std::span<const uint8_t> src,
                  std::span<uint8_t> dst);
// The sample value one channel level makes of a sample; tests use it too.
int16_t ScaleSample16(int16_t sample, WORD level);
uint8_t ScaleSample8(uint8_t sample, WORD level);
// The byte pattern of silence in the format.
uint8_t SilenceByte(const PcmFormat& format);

}  // namespace dv

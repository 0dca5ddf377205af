// Audio device 0 journals its operations to ROOT/dev/WAV1.log.
#pragma once

#include <string_view>

#include "platform/WinDef.h"

namespace dv {

void JournalWave(std::string_view line);
// "volume 0xbfffbfff"
void JournalWaveVolume(DWORD volume);

}  // namespace dv

#include "platform/audio/WaveJournal.h"

#include <cstdio>
#include <string>

#include "platform/core/Journal.h"

namespace dv {
namespace {

constexpr std::string_view kDeviceName = "WAV1";

}  // namespace

void JournalWave(std::string_view line) {
    std::string text(line);
    text.push_back('\n');
    AppendJournal(kDeviceName, text);
}

void JournalWaveVolume(DWORD volume) {
    char line[32];
    std::snprintf(line, sizeof line, "volume 0x%08x", static_cast<unsigned>(volume));
    JournalWave(line);
}

}  // namespace dv

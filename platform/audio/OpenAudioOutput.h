// Opens the output for a wave device: SDL's configured driver, else SDL's
// dummy driver, else timing alone. Some output always opens, so a buffer
// always finishes and its event always comes.
#pragma once

#include <memory>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/WaveQueue.h"

namespace dv {

std::unique_ptr<AudioOutput> OpenAudioOutput(WaveQueue& queue);

}  // namespace dv

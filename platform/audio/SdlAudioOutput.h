// An output on an SDL audio device: SDL's audio thread pulls the queue into
// the device buffer, converting the format where the hardware needs another.
#pragma once

#include <memory>
#include <string>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/WaveQueue.h"

namespace dv {

class SdlAudioOutput : public AudioOutput {
public:
    // Opens SDL's default output for the queue's format and starts it; null
    // (with SDL's reason in error) when the device cannot be opened.
    static std::unique_ptr<SdlAudioOutput> Open(WaveQueue& queue, std::string& error);
    ~SdlAudioOutput() override;

    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

private:
    explicit SdlAudioOutput(unsigned deviceId) : m_deviceId(deviceId) {}

    unsigned m_deviceId;
};

}  // namespace dv

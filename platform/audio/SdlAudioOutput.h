// An output on an SDL audio device: SDL's audio thread pulls the queue into
// the device buffer, converting the format where the hardware needs another.
//
// Opening a device starts a thread and closing one waits for it, which costs
// a tap's click more than its own length. So a closed output parks its device,
// paused, and the next output of the same format takes it up again; a device
// of another format, or stopping SDL audio, closes the parked one.
#pragma once

#include <memory>
#include <string>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/PcmFormat.h"
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

    // Where the device's callback sends its pulls; none while parked.
    struct Route {
        WaveQueue* queue = nullptr;
    };

private:
    SdlAudioOutput(unsigned deviceId, PcmFormat format, std::unique_ptr<Route> route)
        : m_deviceId(deviceId), m_format(format), m_route(std::move(route)) {}

    unsigned m_deviceId;
    PcmFormat m_format;
    std::unique_ptr<Route> m_route;
};

// Closes the parked device, if any. SDL audio must not stop with one open.
void CloseParkedSdlAudioDevice();

}  // namespace dv

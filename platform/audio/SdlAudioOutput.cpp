#include "platform/audio/SdlAudioOutput.h"

#include <SDL.h>

#include <cstring>
#include <mutex>
#include <utility>

namespace dv {
namespace {

// About 12 ms at 22050 Hz: a click's end is reported within that of its last
// sample, and the buffer is still long enough not to starve on a busy system.
constexpr Uint16 kBufferFrames = 256;

struct ParkedDevice {
    std::mutex lock;
    SDL_AudioDeviceID id = 0;
    PcmFormat format;
    std::unique_ptr<SdlAudioOutput::Route> route;
};

ParkedDevice& Parked() {
    static auto* parked = new ParkedDevice;  // lives to the process end
    return *parked;
}

bool SameFormat(const PcmFormat& a, const PcmFormat& b) {
    return a.channels == b.channels && a.rate == b.rate && a.bits == b.bits;
}

void PullCallback(void* userdata, Uint8* stream, int len) {
    auto* route = static_cast<SdlAudioOutput::Route*>(userdata);
    if (route->queue != nullptr) {
        route->queue->Pull(std::span(stream, static_cast<std::size_t>(len)));
    } else {
        std::memset(stream, 0, static_cast<std::size_t>(len));
    }
}

// Points a device's callback at another queue (or none) between two pulls.
void Reroute(SDL_AudioDeviceID id, SdlAudioOutput::Route& route, WaveQueue* queue) {
    SDL_LockAudioDevice(id);
    route.queue = queue;
    SDL_UnlockAudioDevice(id);
}

}  // namespace

std::unique_ptr<SdlAudioOutput> SdlAudioOutput::Open(WaveQueue& queue, std::string& error) {
    const PcmFormat& format = queue.Format();
    {
        ParkedDevice& parked = Parked();
        std::scoped_lock guard(parked.lock);
        if (parked.id != 0 && SameFormat(parked.format, format)) {
            const SDL_AudioDeviceID id = std::exchange(parked.id, 0);
            Reroute(id, *parked.route, &queue);
            SDL_PauseAudioDevice(id, 0);
            return std::unique_ptr<SdlAudioOutput>(
                new SdlAudioOutput(id, format, std::move(parked.route)));
        }
    }
    CloseParkedSdlAudioDevice();

    auto route = std::make_unique<Route>();
    route->queue = &queue;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(format.rate);
    want.format = format.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(format.channels);
    want.samples = kBufferFrames;
    want.callback = PullCallback;
    want.userdata = route.get();
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware takes, so the
    // callback always sees the queue's own format.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) {
        error = SDL_GetError();
        return nullptr;
    }
    SDL_PauseAudioDevice(id, 0);
    return std::unique_ptr<SdlAudioOutput>(new SdlAudioOutput(id, format, std::move(route)));
}

SdlAudioOutput::~SdlAudioOutput() {
    // After the reroute the callback no longer touches this output's queue.
    Reroute(m_deviceId, *m_route, nullptr);
    SDL_PauseAudioDevice(m_deviceId, 1);
    SDL_AudioDeviceID previous = 0;
    std::unique_ptr<Route> previousRoute;
    {
        ParkedDevice& parked = Parked();
        std::scoped_lock guard(parked.lock);
        previous = std::exchange(parked.id, m_deviceId);
        previousRoute = std::exchange(parked.route, std::move(m_route));
        parked.format = m_format;
    }
    if (previous != 0) {
        SDL_CloseAudioDevice(previous);
    }
}

void CloseParkedSdlAudioDevice() {
    SDL_AudioDeviceID id = 0;
    std::unique_ptr<SdlAudioOutput::Route> route;
    {
        ParkedDevice& parked = Parked();
        std::scoped_lock guard(parked.lock);
        id = std::exchange(parked.id, 0);
        route = std::move(parked.route);
    }
    if (id != 0) {
        // Returns after SDL's audio thread has stopped calling back.
        SDL_CloseAudioDevice(id);
    }
}

}  // namespace dv

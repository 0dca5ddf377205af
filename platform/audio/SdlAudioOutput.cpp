#include "platform/audio/SdlAudioOutput.h"

#include <SDL.h>

namespace dv {
namespace {

// About 23 ms at 22050 Hz: short enough that a click's end is reported
// promptly, long enough not to starve on a busy system.
constexpr Uint16 kBufferFrames = 512;

void PullCallback(void* userdata, Uint8* stream, int len) {
    static_cast<WaveQueue*>(userdata)->Pull(std::span(stream, static_cast<std::size_t>(len)));
}

}  // namespace

std::unique_ptr<SdlAudioOutput> SdlAudioOutput::Open(WaveQueue& queue, std::string& error) {
    const PcmFormat& format = queue.Format();
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(format.rate);
    want.format = format.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(format.channels);
    want.samples = kBufferFrames;
    want.callback = PullCallback;
    want.userdata = &queue;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware takes, so the
    // callback always sees the queue's own format.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) {
        error = SDL_GetError();
        return nullptr;
    }
    SDL_PauseAudioDevice(id, 0);
    return std::unique_ptr<SdlAudioOutput>(new SdlAudioOutput(id));
}

SdlAudioOutput::~SdlAudioOutput() {
    // Returns after SDL's audio thread has stopped calling back.
    SDL_CloseAudioDevice(m_deviceId);
}

}  // namespace dv

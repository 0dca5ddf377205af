#include "platform/audio/SdlAudio.h"

#include <SDL.h>

#include <cstring>
#include <mutex>

#include "platform/audio/SdlAudioOutput.h"
#include "platform/core/DebugLog.h"

namespace dv {
namespace {

constexpr const char* kDummyDriver = "dummy";

struct SdlAudioState {
    std::mutex lock;
    bool started = false;
};

SdlAudioState& State() {
    static SdlAudioState state;
    return state;
}

bool StartWithDummy() {
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, kDummyDriver, SDL_HINT_OVERRIDE);
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

}  // namespace

bool StartSdlAudio() {
    SdlAudioState& s = State();
    std::lock_guard guard(s.lock);
    if (s.started) {
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        WriteDebugText(std::string("Audio: no output driver (") + SDL_GetError() +
                       "); using the dummy driver\r\n");
        if (!StartWithDummy()) {
            WriteDebugText(std::string("Audio: dummy driver failed (") + SDL_GetError() + ")\r\n");
            return false;
        }
    }
    s.started = true;
    return true;
}

bool SwitchSdlAudioToDummy() {
    CloseParkedSdlAudioDevice();
    SdlAudioState& s = State();
    std::lock_guard guard(s.lock);
    if (s.started) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        s.started = false;
    }
    if (!StartWithDummy()) {
        WriteDebugText(std::string("Audio: dummy driver failed (") + SDL_GetError() + ")\r\n");
        return false;
    }
    s.started = true;
    return true;
}

bool SdlAudioIsDummy() {
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver != nullptr && std::strcmp(driver, kDummyDriver) == 0;
}

void StopSdlAudio() {
    CloseParkedSdlAudioDevice();
    SdlAudioState& s = State();
    std::lock_guard guard(s.lock);
    if (s.started) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        s.started = false;
    }
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
}

}  // namespace dv

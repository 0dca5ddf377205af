// SDL's audio subsystem, started on first use and kept for the process. Only
// audio is initialised here; the display owns SDL's video.
#pragma once

#include <string>

namespace dv {

// Starts SDL audio with the configured driver (SDL_AUDIODRIVER), falling back
// to the dummy driver when that fails. Returns false when no driver starts.
bool StartSdlAudio();
// Switches the running subsystem to the dummy driver (after a device failed
// to open on the configured one). Returns false when that fails too.
bool SwitchSdlAudioToDummy();
bool SdlAudioIsDummy();
// Stops the subsystem (closing a parked device) and forgets the fallback, so
// the next start reads the configuration again. Tests use it to change
// drivers or their settings; no output may be open.
void StopSdlAudio();

}  // namespace dv

#include "platform/audio/OpenAudioOutput.h"

#include <string>

#include "platform/audio/SdlAudio.h"
#include "platform/audio/SdlAudioOutput.h"
#include "platform/audio/TimedAudioOutput.h"
#include "platform/core/DebugLog.h"

namespace dv {

std::unique_ptr<AudioOutput> OpenAudioOutput(WaveQueue& queue) {
    std::string error = "no audio driver starts";
    if (StartSdlAudio()) {
        if (auto output = SdlAudioOutput::Open(queue, error)) {
            return output;
        }
        if (!SdlAudioIsDummy()) {
            WriteDebugText("Audio: cannot open the output (" + error +
                           "); using the dummy driver\r\n");
            if (SwitchSdlAudioToDummy()) {
                if (auto output = SdlAudioOutput::Open(queue, error)) {
                    return output;
                }
            }
        }
    }
    WriteDebugText("Audio: no audio output (" + error + "); playing by timing\r\n");
    return std::make_unique<TimedAudioOutput>(queue);
}

}  // namespace dv

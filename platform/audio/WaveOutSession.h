// One open of device 0, behind the HWAVEOUT handle waveOutOpen returns: the
// queue of its buffers and the output that plays them.
#pragma once

#include <atomic>
#include <memory>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/PcmFormat.h"
#include "platform/audio/WaveQueue.h"
#include "platform/core/Event.h"
#include "platform/core/KernelObject.h"
#include "platform/core/Termination.h"

namespace dv {

class WaveOutSession : public KernelObject {
public:
    // event: signalled for every buffer given back (may be null).
    WaveOutSession(PcmFormat format, std::shared_ptr<Event> event,
                   const std::atomic<DWORD>& volume);
    ~WaveOutSession() override;

    void Start();
    // Stops the output; after it nothing reads the buffers any more.
    void Stop();
    WaveQueue& Queue() { return m_queue; }

private:
    void OnBufferDone(bool played);

    std::shared_ptr<Event> m_event;
    WaveQueue m_queue;
    // Destroyed before the queue, so no pull outlives it.
    std::unique_ptr<AudioOutput> m_output;
    // Declared last: gone before anything it touches. At termination the
    // buffers are given back unplayed, so a wait for their end ends at once.
    TerminationHook m_onTermination{[this] { m_queue.Reset(); }};
};

}  // namespace dv

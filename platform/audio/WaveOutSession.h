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
    // Declared last: destroyed first, so no pull outlives the queue.
    std::unique_ptr<AudioOutput> m_output;
};

}  // namespace dv

// The output of last resort, when no SDL audio driver opens: a thread pulls
// the queue at the format's rate and drops the samples, so buffers still
// finish in real time and their events still come.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/audio/AudioOutput.h"
#include "platform/audio/WaveQueue.h"

namespace dv {

class TimedAudioOutput : public AudioOutput {
public:
    explicit TimedAudioOutput(WaveQueue& queue);
    ~TimedAudioOutput() override;

    TimedAudioOutput(const TimedAudioOutput&) = delete;
    TimedAudioOutput& operator=(const TimedAudioOutput&) = delete;

private:
    void Run();

    WaveQueue& m_queue;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace dv

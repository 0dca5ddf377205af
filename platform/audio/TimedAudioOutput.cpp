#include "platform/audio/TimedAudioOutput.h"

#include <chrono>
#include <vector>

namespace dv {
namespace {

constexpr auto kTick = std::chrono::milliseconds(10);

}  // namespace

TimedAudioOutput::TimedAudioOutput(WaveQueue& queue)
    : m_queue(queue), m_thread([this] { Run(); }) {}

TimedAudioOutput::~TimedAudioOutput() {
    {
        std::lock_guard guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void TimedAudioOutput::Run() {
    using Clock = std::chrono::steady_clock;
    const PcmFormat& format = m_queue.Format();
    const auto start = Clock::now();
    unsigned long long framesPulled = 0;
    std::vector<uint8_t> scratch;
    std::unique_lock guard(m_lock);
    while (!m_wake.wait_for(guard, kTick, [this] { return m_stop; })) {
        auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
        auto due = static_cast<unsigned long long>(elapsed.count()) * format.rate / 1'000'000;
        if (due <= framesPulled) {
            continue;
        }
        scratch.resize((due - framesPulled) * format.FrameBytes());
        framesPulled = due;
        guard.unlock();
        m_queue.Pull(scratch);
        guard.lock();
    }
}

}  // namespace dv

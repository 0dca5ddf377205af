// The buffers an open wave device has been given, in play order, and the
// flags of their headers. The application's thread prepares, writes and
// resets; the output's thread pulls samples. One lock guards both sides, so
// once Reset returns no buffer it returned is read again.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>

#include "platform/MmSystem.h"
#include "platform/audio/PcmFormat.h"

namespace dv {

class WaveQueue {
public:
    // Called once for every buffer given back, outside the lock: played
    // true when it was played to its end, false when a reset returned it.
    using DoneHandler = std::function<void(bool played)>;

    WaveQueue(PcmFormat format, const std::atomic<DWORD>& volume, DoneHandler onDone);

    MMRESULT Prepare(WAVEHDR* header);
    MMRESULT Unprepare(WAVEHDR* header);
    // onQueued runs under the lock once the buffer is queued, so that it
    // comes before anything the output does with the buffer.
    MMRESULT Write(WAVEHDR* header, const std::function<void()>& onQueued);
    void Reset();
    bool Busy() const;

    const PcmFormat& Format() const { return m_format; }

    // Fills out with the next frames at the current volume, silence where
    // nothing is queued. A buffer whose last frame went out is given back at
    // the following pull: by then the output has taken those samples.
    void Pull(std::span<uint8_t> out);

private:
    std::size_t FillFrom(std::span<uint8_t> out);
    std::size_t TakeDrained();

    const PcmFormat m_format;
    const std::atomic<DWORD>& m_volume;
    const DoneHandler m_onDone;

    mutable std::mutex m_lock;
    std::deque<WAVEHDR*> m_queue;
    // The first m_drained buffers have been played out and wait to be given
    // back; m_offset is how far the next one has been played.
    std::size_t m_drained = 0;
    std::size_t m_offset = 0;
};

}  // namespace dv

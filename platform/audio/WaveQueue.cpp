#include "platform/audio/WaveQueue.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/audio/Gain.h"

namespace dv {
namespace {

// Programs poll WHDR_DONE from their own threads while the audio thread sets
// it: the flags change in one atomic store, which a poller's atomic read sees
// whole, with the buffer's end before it.
void MarkDone(WAVEHDR* header) {
    std::atomic_ref flags(header->dwFlags);
    flags.store((flags.load(std::memory_order_relaxed) & ~WHDR_INQUEUE) | WHDR_DONE,
                std::memory_order_release);
}

}  // namespace

WaveQueue::WaveQueue(PcmFormat format, const std::atomic<DWORD>& volume, DoneHandler onDone)
    : m_format(format), m_volume(volume), m_onDone(std::move(onDone)) {}

MMRESULT WaveQueue::Prepare(WAVEHDR* header) {
    std::lock_guard guard(m_lock);
    if (header->lpData == nullptr && header->dwBufferLength != 0) {
        return MMSYSERR_INVALPARAM;
    }
    if ((header->dwFlags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WaveQueue::Unprepare(WAVEHDR* header) {
    std::lock_guard guard(m_lock);
    if ((header->dwFlags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WaveQueue::Write(WAVEHDR* header, const std::function<void()>& onQueued) {
    std::lock_guard guard(m_lock);
    if ((header->dwFlags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    if ((header->dwFlags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    m_queue.push_back(header);
    onQueued();
    return MMSYSERR_NOERROR;
}

void WaveQueue::Reset() {
    std::size_t returned = 0;
    {
        std::lock_guard guard(m_lock);
        for (WAVEHDR* header : m_queue) {
            MarkDone(header);
        }
        returned = m_queue.size();
        m_queue.clear();
        m_drained = 0;
        m_offset = 0;
    }
    for (std::size_t i = 0; i < returned; ++i) {
        m_onDone(false);
    }
}

bool WaveQueue::Busy() const {
    std::lock_guard guard(m_lock);
    return !m_queue.empty();
}

void WaveQueue::Pull(std::span<uint8_t> out) {
    std::size_t finished = 0;
    {
        std::lock_guard guard(m_lock);
        finished = TakeDrained();
        std::size_t filled = FillFrom(out);
        std::memset(out.data() + filled, SilenceByte(m_format), out.size() - filled);
    }
    for (std::size_t i = 0; i < finished; ++i) {
        m_onDone(true);
    }
}

std::size_t WaveQueue::TakeDrained() {
    std::size_t finished = m_drained;
    for (; m_drained > 0; --m_drained) {
        WAVEHDR* header = m_queue.front();
        m_queue.pop_front();
        MarkDone(header);
    }
    return finished;
}

std::size_t WaveQueue::FillFrom(std::span<uint8_t> out) {
    const std::size_t frame = m_format.FrameBytes();
    const DWORD volume = m_volume.load(std::memory_order_relaxed);
    std::size_t filled = 0;
    while (m_drained < m_queue.size()) {
        const WAVEHDR* header = m_queue[m_drained];
        // A trailing part of a frame cannot be played and counts as played.
        std::size_t left = (header->dwBufferLength - m_offset) / frame * frame;
        std::size_t room = (out.size() - filled) / frame * frame;
        std::size_t n = std::min(left, room);
        if (n > 0) {
            auto src = std::span(reinterpret_cast<const uint8_t*>(header->lpData) + m_offset, n);
            CopyWithGain(m_format, volume, src, out.subspan(filled, n));
            filled += n;
            m_offset += n;
        }
        if (n < left) {
            break;  // out is full
        }
        ++m_drained;
        m_offset = 0;
    }
    return filled;
}

}  // namespace dv

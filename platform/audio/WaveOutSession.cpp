#include "platform/audio/WaveOutSession.h"

#include "platform/audio/OpenAudioOutput.h"
#include "platform/audio/WaveJournal.h"

namespace dv {

WaveOutSession::WaveOutSession(PcmFormat format, std::shared_ptr<Event> event,
                               const std::atomic<DWORD>& volume)
    : m_event(std::move(event)),
      m_queue(format, volume, [this](bool played) { OnBufferDone(played); }) {}

WaveOutSession::~WaveOutSession() {
    Stop();
}

void WaveOutSession::Start() {
    m_output = OpenAudioOutput(m_queue);
}

void WaveOutSession::Stop() {
    m_output.reset();
}

void WaveOutSession::OnBufferDone(bool played) {
    // The journal line comes first, so whoever wakes on the event finds it.
    if (played) {
        JournalWave("done");
    }
    if (m_event != nullptr) {
        m_event->Set();
    }
}

}  // namespace dv

// Where the device volume goes. Bound by "WAV1 = pulse:SINK" in
// ROOT/dev/bindings, or unbound while a sound server answers, it is the
// output volume of that server's sink and the SDL output plays at unity, so
// nothing is attenuated twice. With "WAV1 = sdl", or when no server or sink
// can be had, it is the SDL output's gain. The binding is read once, at the
// first use of the device in a run.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/WinDef.h"

namespace dv {

class PulseVolume;

class SystemVolume {
public:
    SystemVolume();
    ~SystemVolume();

    // Chooses the volume's target from the binding, the first time only.
    void Open();
    void Set(DWORD volume);
    // The gain the SDL output applies.
    const std::atomic<DWORD>& Gain() const { return m_gain; }

private:
    void OnHolds(bool holds);

    std::once_flag m_opened;
    std::unique_ptr<PulseVolume> m_pulse;
    // Taken alone, never with the sound server's loop lock inside it.
    std::mutex m_lock;
    DWORD m_volume = 0xFFFFFFFFu;
    bool m_sinkHolds = false;
    std::atomic<DWORD> m_gain{0xFFFFFFFFu};
};

}  // namespace dv

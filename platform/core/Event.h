// A kernel event: signalled or not, reset by hand or by the one wait it
// releases. The audio device signals it from its own thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "platform/core/KernelObject.h"

namespace dv {

class Event : public KernelObject {
public:
    Event(bool manualReset, bool initialState);

    void Set();
    void Reset();
    // Waits until the event is signalled or the timeout passes (no timeout:
    // forever). Returns whether the event released the wait; an automatic
    // event is reset by the wait it releases.
    bool Wait(std::optional<std::chrono::milliseconds> timeout);

private:
    const bool m_manualReset;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_signalled;
};

}  // namespace dv

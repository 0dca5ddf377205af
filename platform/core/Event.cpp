#include "platform/core/Event.h"

#include <memory>
#include <new>

#include "platform/WinBase.h"

namespace dv {

Event::Event(bool manualReset, bool initialState)
    : m_manualReset(manualReset), m_signalled(initialState) {}

void Event::Set() {
    {
        std::lock_guard guard(m_lock);
        m_signalled = true;
    }
    // A manual event releases every waiter, an automatic one only the first.
    if (m_manualReset) {
        m_changed.notify_all();
    } else {
        m_changed.notify_one();
    }
}

void Event::Reset() {
    std::lock_guard guard(m_lock);
    m_signalled = false;
}

bool Event::Wait(std::optional<std::chrono::milliseconds> timeout) {
    std::unique_lock guard(m_lock);
    auto signalled = [this] { return m_signalled; };
    if (timeout) {
        if (!m_changed.wait_for(guard, *timeout, signalled)) {
            return false;
        }
    } else {
        m_changed.wait(guard, signalled);
    }
    if (!m_manualReset) {
        m_signalled = false;
    }
    return true;
}

}  // namespace dv

// Only unnamed events are needed: the events of this unit are private to the
// call that creates them. A name is accepted and ignored.
HANDLE CreateEventW(void* /*lpEventAttributes*/, BOOL bManualReset, BOOL bInitialState,
                    LPCWSTR /*lpName*/) {
    try {
        return dv::InsertHandle(
            std::make_shared<dv::Event>(bManualReset != FALSE, bInitialState != FALSE));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

namespace {

std::shared_ptr<dv::Event> EventOf(HANDLE hEvent) {
    auto event = dv::LookupHandleAs<dv::Event>(hEvent);
    if (event == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return event;
}

}  // namespace

BOOL SetEvent(HANDLE hEvent) {
    auto event = EventOf(hEvent);
    if (event == nullptr) {
        return FALSE;
    }
    event->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
    auto event = EventOf(hEvent);
    if (event == nullptr) {
        return FALSE;
    }
    event->Reset();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    // The object stays alive while waited on even if another thread closes
    // its handle meanwhile.
    auto event = EventOf(hHandle);
    if (event == nullptr) {
        return WAIT_FAILED;
    }
    std::optional<std::chrono::milliseconds> timeout;
    if (dwMilliseconds != INFINITE) {
        timeout = std::chrono::milliseconds(dwMilliseconds);
    }
    return event->Wait(timeout) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

#include "platform/core/Termination.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace dv {
namespace {

struct TerminationState {
    std::mutex lock;
    std::atomic<bool> requested{false};
    std::vector<TerminationHook*> hooks;
    // Never closed: pollers may hold it to the process end.
    int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
};

TerminationState& State() {
    static TerminationState* state = new TerminationState;  // lives to the process end
    return *state;
}

}  // namespace

void RequestTermination() {
    TerminationState& s = State();
    std::lock_guard guard(s.lock);
    if (s.requested.exchange(true)) {
        return;
    }
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(s.fd, &one, sizeof(one));
    // Under the lock, so no hook's owner finishes destroying it meanwhile.
    for (TerminationHook* hook : s.hooks) {
        hook->Run();
    }
}

bool TerminationRequested() {
    return State().requested.load();
}

int TerminationFd() {
    return State().fd;
}

TerminationHook::TerminationHook(std::function<void()> action) : m_action(std::move(action)) {
    TerminationState& s = State();
    std::lock_guard guard(s.lock);
    s.hooks.push_back(this);
    if (s.requested.load()) {
        Run();
    }
}

TerminationHook::~TerminationHook() {
    TerminationState& s = State();
    std::lock_guard guard(s.lock);
    std::erase(s.hooks, this);
}

void TerminationHook::Run() const {
    if (m_action) {
        m_action();
    }
}

void ClearTerminationRequest() {
    TerminationState& s = State();
    std::lock_guard guard(s.lock);
    s.requested = false;
    uint64_t count = 0;
    [[maybe_unused]] ssize_t got = ::read(s.fd, &count, sizeof(count));
}

}  // namespace dv

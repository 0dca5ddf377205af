// The process's request to end, made once by its termination signal. The
// close that follows runs through the application's normal paths; waits that
// could hold it up (a sound playing to its end, a peer that does not answer)
// watch for the request and give up.
#pragma once

#include <functional>

namespace dv {

void RequestTermination();
bool TerminationRequested();

// A descriptor that turns readable once termination is requested, to poll
// beside the one a wait is for.
int TerminationFd();

// Runs its action once at termination (at once if it was already requested)
// as long as it lives; the action runs on the requesting thread.
class TerminationHook {
public:
    explicit TerminationHook(std::function<void()> action);
    ~TerminationHook();
    TerminationHook(const TerminationHook&) = delete;
    TerminationHook& operator=(const TerminationHook&) = delete;

    void Run() const;

private:
    std::function<void()> m_action;
};

// Tests only: forgets a request, so later tests of the same program wait
// as usual again.
void ClearTerminationRequest();

}  // namespace dv

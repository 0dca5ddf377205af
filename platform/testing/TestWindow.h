// A window for tests: a titled top-level window that records every message
// it receives and answers a chosen value. Titled, it is reachable from other
// processes like any window of the unit, so it stands in for the launcher.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "platform/afx/CWnd.h"

namespace dv::testing {

struct RecordedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;

    bool operator==(const RecordedMessage&) const = default;
};

class TestWindow : public CWnd {
public:
    // activate: the window takes the pen (as a dialog does when created).
    explicit TestWindow(const wchar_t* title, LRESULT answer = 0, bool activate = false);
    ~TestWindow() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    std::vector<RecordedMessage> Messages() const;
    // Only the messages with this number.
    std::vector<RecordedMessage> MessagesOf(UINT message) const;
    void Clear();

private:
    mutable std::mutex m_lock;
    std::vector<RecordedMessage> m_messages;
    LRESULT m_answer;
};

// Handles the calling thread's queued messages, paints and due timers until
// none is left (the loop would block).
void PumpMessagesUntilIdle();
// Forgets a WM_QUIT posted on the calling thread (by a dialog destroyed in a
// test), so that the next test's loop runs.
void ClearPendingQuit();
// Pumps, waiting for more, until done() holds or timeoutMs passes. Returns
// done().
bool PumpMessagesUntil(const std::function<bool()>& done, int timeoutMs);

}  // namespace dv::testing

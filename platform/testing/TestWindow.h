// A top-level window recording every message it gets and answering a chosen
// value; titled, other processes reach it, so it stands in for the launcher.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/afx/CWnd.h"
#include "platform/window/MessageLoop.h"
#include "platform/window/WindowTable.h"

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
    explicit TestWindow(const wchar_t* title, LRESULT answer = 0, bool activate = false)
        : m_answer(answer) {
        CreateEx(activate ? 0 : WS_EX_NOACTIVATE, L"Dialog", title, WS_POPUP | WS_VISIBLE,
                 RECT{0, 0, 480, 234});
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        std::lock_guard guard(m_lock);
        m_messages.push_back(RecordedMessage{message, wParam, lParam});
        return m_answer;
    }

    std::vector<RecordedMessage> Messages() const {
        std::lock_guard guard(m_lock);
        return m_messages;
    }
    std::vector<RecordedMessage> MessagesOf(UINT message) const {
        std::vector<RecordedMessage> result = Messages();
        std::erase_if(result, [&](const RecordedMessage& m) { return m.message != message; });
        return result;
    }
    void Clear() {
        std::lock_guard guard(m_lock);
        m_messages.clear();
    }

private:
    mutable std::mutex m_lock;
    std::vector<RecordedMessage> m_messages;
    LRESULT m_answer;
};

// Handles the thread's queued messages, paints and due timers until none is left.
inline void PumpMessagesUntilIdle() {
    window::LoopOptions options;
    options.returnWhenIdle = true;
    window::RunMessageLoop(options);
}

// Whether a WM_QUIT waits in the thread's queue.
inline bool QuitPending() {
    return window::CurrentQueue()->QuitPending();
}

// Forgets a WM_QUIT a destroyed dialog posted, so that the next test's loop runs.
inline void ClearPendingQuit() {
    window::CurrentQueue()->ClearQuit();
}

// Pumps, waiting for more, until done() holds (true) or timeoutMs passes.
inline bool PumpMessagesUntil(const std::function<bool()>& done, int timeoutMs) {
    constexpr int kPumpSliceMs = 10;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (PumpMessagesUntilIdle(); !done(); PumpMessagesUntilIdle()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        window::CurrentQueue()->Wait(kPumpSliceMs);
    }
    return true;
}

}  // namespace dv::testing

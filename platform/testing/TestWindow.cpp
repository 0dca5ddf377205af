#include "platform/testing/TestWindow.h"

#include <chrono>

#include "platform/window/MessageLoop.h"
#include "platform/window/WindowTable.h"

namespace dv::testing {
namespace {

constexpr int kPumpSliceMs = 10;

}  // namespace

TestWindow::TestWindow(const wchar_t* title, LRESULT answer, bool activate) : m_answer(answer) {
    window::CreateParams params;
    params.activate = activate;
    params.rect = RECT{0, 0, 480, 234};
    window::CreateWindowFor(this, params);
    if (title != nullptr) {
        SetWindowText(title);
    }
}

TestWindow::~TestWindow() {
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

LRESULT TestWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard guard(m_lock);
    m_messages.push_back(RecordedMessage{message, wParam, lParam});
    return m_answer;
}

std::vector<RecordedMessage> TestWindow::Messages() const {
    std::lock_guard guard(m_lock);
    return m_messages;
}

std::vector<RecordedMessage> TestWindow::MessagesOf(UINT message) const {
    std::lock_guard guard(m_lock);
    std::vector<RecordedMessage> result;
    for (const auto& m : m_messages) {
        if (m.message == message) {
            result.push_back(m);
        }
    }
    return result;
}

void TestWindow::Clear() {
    std::lock_guard guard(m_lock);
    m_messages.clear();
}

void ClearPendingQuit() {
    window::CurrentQueue()->ClearQuit();
}

void PumpMessagesUntilIdle() {
    window::LoopOptions options;
    options.returnWhenIdle = true;
    window::RunMessageLoop(options);
}

bool PumpMessagesUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        PumpMessagesUntilIdle();
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        window::CurrentQueue()->Wait(kPumpSliceMs);
    }
}

}  // namespace dv::testing

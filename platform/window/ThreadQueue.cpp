#include "platform/window/ThreadQueue.h"

#include <chrono>

#include "platform/display/Display.h"
#include "platform/window/PenInput.h"

namespace dv::window {
namespace {

// What the screen reads becomes the window layer's pen input and cancel.
constexpr display::InputSink kScreenInput{&DeliverPenInput, &DeliverCancel, &DeliverClose,
                                          &DeliverTouchInput};

}  // namespace

ThreadQueue::ThreadQueue() : m_owner(std::this_thread::get_id()) {}

void ThreadQueue::Push(QueueItem item) {
    bool display = false;
    {
        std::lock_guard guard(m_lock);
        m_items.push_back(std::move(item));
        display = m_displayWaits;
    }
    m_cv.notify_all();
    if (display) {
        dv::display::Wake();
    }
}

std::optional<QueueItem> ThreadQueue::TryPop() {
    std::lock_guard guard(m_lock);
    if (m_items.empty()) {
        return std::nullopt;
    }
    QueueItem item = std::move(m_items.front());
    m_items.pop_front();
    return item;
}

bool ThreadQueue::Empty() {
    std::lock_guard guard(m_lock);
    return m_items.empty();
}

void ThreadQueue::Wait(int timeoutMs) {
    bool display = false;
    {
        std::unique_lock guard(m_lock);
        if (!m_items.empty() || m_woken) {
            m_woken = false;
            return;
        }
        display = m_displayWaits && dv::display::IsOpen();
        if (!display) {
            auto ready = [this] { return !m_items.empty() || m_woken; };
            if (timeoutMs < 0) {
                m_cv.wait(guard, ready);
            } else {
                m_cv.wait_for(guard, std::chrono::milliseconds(timeoutMs), ready);
            }
            m_woken = false;
            return;
        }
    }
    // A Wake() that lands between the check above and this wait is kept by
    // the display as a pending event, so the wait returns at once.
    dv::display::WaitEvents(timeoutMs, kScreenInput);
    std::lock_guard guard(m_lock);
    m_woken = false;
}

void ThreadQueue::Wake() {
    bool display = false;
    {
        std::lock_guard guard(m_lock);
        m_woken = true;
        display = m_displayWaits;
    }
    m_cv.notify_all();
    if (display) {
        dv::display::Wake();
    }
}

void ThreadQueue::PostQuit(int exitCode) {
    {
        std::lock_guard guard(m_lock);
        m_quit = true;
        m_quitCode = exitCode;
    }
    Wake();
}

bool ThreadQueue::QuitPending() {
    std::lock_guard guard(m_lock);
    return m_quit;
}

int ThreadQueue::QuitCode() {
    std::lock_guard guard(m_lock);
    return m_quitCode;
}

void ThreadQueue::ClearQuit() {
    std::lock_guard guard(m_lock);
    m_quit = false;
    m_quitCode = 0;
}

void ThreadQueue::Hold(QueueItem item) {
    if (item.reply != nullptr && item.replyWhenIdle && !item.sent && !item.task) {
        DeferReply(std::move(item.reply), 0);
    }
    m_held.push_back(std::move(item));
}

void ThreadQueue::Unhold() {
    std::lock_guard guard(m_lock);
    m_items.insert(m_items.begin(), std::make_move_iterator(m_held.begin()),
                   std::make_move_iterator(m_held.end()));
    m_held.clear();
}

void ThreadQueue::DeferReply(std::shared_ptr<ReplySlot> reply, LRESULT result) {
    m_idleReplies.push_back([reply = std::move(reply), result] { reply->Deliver(result); });
}

void ThreadQueue::FlushIdleReplies() {
    // A reply may run code that defers another one; take the list first.
    std::vector<std::function<void()>> replies;
    replies.swap(m_idleReplies);
    for (auto& reply : replies) {
        reply();
    }
}

void ThreadQueue::UseDisplayForWaits() {
    std::lock_guard guard(m_lock);
    m_displayWaits = true;
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
    thread_local std::shared_ptr<ThreadQueue> queue = std::make_shared<ThreadQueue>();
    return queue;
}

}  // namespace dv::window

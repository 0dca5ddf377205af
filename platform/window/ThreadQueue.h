// The message queue of one thread. Windows belong to the thread that created
// them; anything addressed to a window (posted messages, messages sent from
// other threads or processes, pen input from the IPC layer) is queued here and
// handled by that thread's message loop, one item at a time.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/WinUser.h"

namespace dv::window {

// Carries a sender's reply. A message that is dropped (its window went away,
// its queue ended) still answers 0, so no sender waits for ever.
class ReplySlot {
public:
    explicit ReplySlot(std::function<void(LRESULT)> deliver) : m_deliver(std::move(deliver)) {}
    ~ReplySlot() { Deliver(0); }
    ReplySlot(const ReplySlot&) = delete;
    ReplySlot& operator=(const ReplySlot&) = delete;

    void Deliver(LRESULT result) {
        if (!m_done && m_deliver) {
            m_done = true;
            m_deliver(result);
        }
    }

private:
    std::function<void(LRESULT)> m_deliver;
    bool m_done = false;
};

// One queued unit of work. Either a message for a window or a task to run on
// the owning thread (pen input, screenshots, raising the window).
struct QueueItem {
    MSG msg{};
    std::function<LRESULT()> task;
    // Receives the handler's result when the sender waits for one.
    std::shared_ptr<ReplySlot> reply;
    // The reply is held back until the loop is idle again, so that the
    // sender knows everything the message caused has been handled.
    bool replyWhenIdle = false;
    // Sent messages skip the loop's pre-translation, as on the unit.
    bool sent = false;
    // Pen input and screenshots: the work a screen that holds the pen takes
    // while everything else waits for it to end.
    bool screenInput = false;
};

class ThreadQueue {
public:
    ThreadQueue();

    // Any thread. Wakes the owner if it is waiting.
    void Push(QueueItem item);
    std::optional<QueueItem> TryPop();
    bool Empty();

    // Owner thread only: blocks up to timeoutMs (negative: no limit) until an
    // item arrives or Wake() is called.
    void Wait(int timeoutMs);
    void Wake();

    void PostQuit(int exitCode);
    bool QuitPending();
    int QuitCode();
    void ClearQuit();

    // Owner thread only: sets an item aside until Unhold(), while a screen
    // holds the pen. A posted message's wait for idleness is answered when
    // the loop is idle, as for any message; the message itself waits.
    void Hold(QueueItem item);
    // Puts the items set aside back at the head of the queue, in order.
    void Unhold();

    // Owner thread only: replies that wait for the loop to become idle.
    void DeferReply(std::shared_ptr<ReplySlot> reply, LRESULT result);
    void FlushIdleReplies();

    // The display's event wait stands in for the condition variable once the
    // owner thread has opened the display.
    void UseDisplayForWaits();
    std::thread::id Owner() const { return m_owner; }

private:
    std::mutex m_lock;
    std::condition_variable m_cv;
    std::deque<QueueItem> m_items;
    std::deque<QueueItem> m_held;
    bool m_woken = false;
    bool m_quit = false;
    int m_quitCode = 0;
    bool m_displayWaits = false;
    std::thread::id m_owner;
    std::vector<std::function<void()>> m_idleReplies;
};

// The calling thread's queue, created on first use.
std::shared_ptr<ThreadQueue> CurrentQueue();

}  // namespace dv::window

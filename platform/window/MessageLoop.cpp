#include "platform/window/MessageLoop.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "platform/WinBase.h"
#include "platform/core/DebugLog.h"
#include "platform/window/PenInput.h"
#include "platform/window/WindowTable.h"

namespace dv::window {
namespace {

using PreTranslate = std::function<BOOL(MSG*)>;

struct PendingPaint {
    HWND hwnd = nullptr;
    unsigned generation = 0;
};

std::optional<PendingPaint> NextPaint(const ThreadQueue* queue) {
    // The screen belongs to a screen that holds the pen; windows repaint
    // after it ends.
    if (dv::PenCaptureActive()) {
        return std::nullopt;
    }
    auto windows = Windows().WindowsOf(queue);
    std::lock_guard guard(Windows().Mutex());
    for (const auto& record : windows) {
        if (record->invalid && !record->destroying) {
            return PendingPaint{record->hwnd, record->paintGeneration};
        }
    }
    return std::nullopt;
}

// A due timer's message, or the time until the next one is due.
std::optional<MSG> NextTimer(const ThreadQueue* queue, int* timeoutMs) {
    auto windows = Windows().WindowsOf(queue);
    const Clock::time_point now = Clock::now();
    std::lock_guard guard(Windows().Mutex());
    Timer* earliest = nullptr;
    HWND owner = nullptr;
    for (const auto& record : windows) {
        for (Timer& timer : record->timers) {
            if (earliest == nullptr || timer.due < earliest->due) {
                earliest = &timer;
                owner = record->hwnd;
            }
        }
    }
    if (earliest == nullptr) {
        *timeoutMs = -1;
        return std::nullopt;
    }
    if (earliest->due > now) {
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(earliest->due - now);
        *timeoutMs = static_cast<int>(std::min<long long>(wait.count() + 1, INT_MAX));
        return std::nullopt;
    }
    earliest->due = now + std::chrono::milliseconds(earliest->intervalMs);
    MSG msg{};
    msg.hwnd = owner;
    msg.message = WM_TIMER;
    msg.wParam = earliest->id;
    msg.lParam = reinterpret_cast<LPARAM>(earliest->proc);
    msg.time = GetTickCount();
    return msg;
}

// Pre-translation, then the handler. Returns the handler's result.
LRESULT Deliver(MSG msg, const PreTranslate& preTranslate) {
    if (preTranslate && preTranslate(&msg)) {
        return 0;
    }
    return DispatchToWindow(msg);
}

void HandleItem(ThreadQueue& queue, QueueItem& item, const PreTranslate& preTranslate) {
    LRESULT result = 0;
    if (item.task) {
        result = item.task();
    } else if (item.sent) {
        result = DispatchToWindow(item.msg);
    } else {
        result = Deliver(item.msg, preTranslate);
    }
    if (item.reply != nullptr) {
        if (item.replyWhenIdle) {
            queue.DeferReply(std::move(item.reply), result);
        } else {
            item.reply->Deliver(result);
        }
    }
}

void HandlePaint(const PendingPaint& paint, const PreTranslate& preTranslate) {
    MSG msg{};
    msg.hwnd = paint.hwnd;
    msg.message = WM_PAINT;
    msg.time = GetTickCount();
    Deliver(msg, preTranslate);
    // A handler that neither painted nor invalidated again would be asked
    // for the same paint for ever.
    auto record = Windows().Find(paint.hwnd);
    if (record != nullptr) {
        std::lock_guard guard(Windows().Mutex());
        if (record->invalid && record->paintGeneration == paint.generation) {
            record->invalid = false;
            record->erase = false;
        }
    }
}

// Anyone can post a WM_TIMER, from this process or another one; its lParam
// is then only a number. It is called as a function only when it is the
// callback a live timer of that window was set with.
bool IsTimerCallbackOf(HWND hwnd, WPARAM id, LPARAM callback) {
    auto record = Windows().Find(hwnd);
    if (record == nullptr || record->remote) {
        return false;
    }
    std::lock_guard guard(Windows().Mutex());
    return std::any_of(record->timers.begin(), record->timers.end(), [&](const Timer& timer) {
        return timer.id == id && reinterpret_cast<LPARAM>(timer.proc) == callback;
    });
}

// The wait's limit in milliseconds (negative: none), shortened to the loop's
// wake-up time; at least 1, so a time already past does not spin.
int WaitLimit(const LoopOptions& options, int timeoutMs) {
    if (!options.wakeAt) {
        return timeoutMs;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(options.wakeAt() - Clock::now());
    const int limit = static_cast<int>(std::clamp<long long>(left.count(), 1, INT_MAX));
    return timeoutMs < 0 ? limit : std::min(timeoutMs, limit);
}

LoopEnd RunLoop(ThreadQueue* queue, const LoopOptions& options, bool screenInputOnly) {
    auto keepRunning = [&options] { return !options.keepRunning || options.keepRunning(); };
    for (;;) {
        if (!keepRunning()) {
            return LoopEnd::Stopped;
        }
        if (auto item = queue->TryPop()) {
            if (screenInputOnly && !item->screenInput) {
                queue->Hold(std::move(*item));
            } else {
                HandleItem(*queue, *item, options.preTranslate);
            }
            continue;
        }
        if (queue->QuitPending()) {
            return LoopEnd::Quit;
        }
        if (auto paint = NextPaint(queue)) {
            HandlePaint(*paint, options.preTranslate);
            continue;
        }
        int timeoutMs = -1;
        if (!screenInputOnly) {
            if (auto timer = NextTimer(queue, &timeoutMs)) {
                Deliver(*timer, options.preTranslate);
                continue;
            }
        }
        queue->FlushIdleReplies();
        if (!queue->Empty()) {
            continue;
        }
        if (options.returnWhenIdle) {
            return LoopEnd::Idle;
        }
        if (!keepRunning()) {
            return LoopEnd::Stopped;
        }
        queue->Wait(WaitLimit(options, timeoutMs));
    }
}

}  // namespace

LRESULT DispatchToWindow(const MSG& msg) {
    if (msg.hwnd == nullptr) {
        return 0;
    }
    if (msg.message == WM_TIMER && msg.lParam != 0) {
        if (!IsTimerCallbackOf(msg.hwnd, msg.wParam, msg.lParam)) {
            dv::WriteDebugText(
                "dialvane: dropped a WM_TIMER whose callback is not one of the "
                "window's timers\r\n");
            return 0;
        }
        auto proc = reinterpret_cast<TIMERPROC>(msg.lParam);
        proc(msg.hwnd, WM_TIMER, msg.wParam, GetTickCount());
        return 0;
    }
    // Messages to a window that has been destroyed are dropped.
    return CallHandler(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

LoopEnd RunMessageLoop(const LoopOptions& options) {
    std::shared_ptr<ThreadQueue> queue = CurrentQueue();
    if (options.screenInputOnly) {
        // What waited is handled next, whichever way the loop ends.
        struct Unholder {
            ThreadQueue& queue;
            ~Unholder() { queue.Unhold(); }
        } unhold{*queue};
        return RunLoop(queue.get(), options, true);
    }
    return RunLoop(queue.get(), options, false);
}

}  // namespace dv::window

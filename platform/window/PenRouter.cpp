#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/FrameLog.h"
#include "platform/display/Display.h"
#include "platform/window/MessageLoop.h"
#include "platform/window/PenInput.h"
#include "platform/window/WindowTable.h"

namespace dv {
namespace {

constexpr const char* kPenActionNames[] = {"pen down", "pen move", "pen up"};

constexpr auto kDoubleClickTime = std::chrono::milliseconds(500);
constexpr int kDoubleClickDistance = 4;

struct PenState {
    std::mutex lock;
    std::vector<const PenCapture*> captures;
    std::shared_ptr<window::ThreadQueue> captureQueue;
    bool closeHeld = false;
    bool down = false;
    // The controller's pen came down beside the screen: its drag goes nowhere.
    bool touchBeside = false;
    bool haveLastDown = false;
    window::Clock::time_point lastDownTime;
    int lastDownX = 0;
    int lastDownY = 0;
    HWND lastDownWindow = nullptr;
};

PenState& State() {
    static PenState* state = new PenState;  // lives to the process end
    return *state;
}

bool WantsDoubleClicks(HWND hwnd) {
    auto record = window::Windows().Find(hwnd);
    if (record == nullptr) {
        return false;
    }
    std::lock_guard guard(window::Windows().Mutex());
    return (record->classStyle & CS_DBLCLKS) != 0;
}

// The down becomes a double click when it repeats the previous down closely
// enough; a double click does not pair with a third down.
bool IsDoubleClick(PenState& s, HWND target, int x, int y, window::Clock::time_point now) {
    const bool close = s.haveLastDown && s.lastDownWindow == target &&
                       now - s.lastDownTime <= kDoubleClickTime &&
                       std::abs(x - s.lastDownX) <= kDoubleClickDistance &&
                       std::abs(y - s.lastDownY) <= kDoubleClickDistance;
    if (close) {
        s.haveLastDown = false;
        return true;
    }
    s.haveLastDown = true;
    s.lastDownTime = now;
    s.lastDownX = x;
    s.lastDownY = y;
    s.lastDownWindow = target;
    return false;
}

void Route(PenAction action, int x, int y, const touch::RawPoint* raw) {
    if (FrameLogOn()) {
        NoteFrameEvent(std::string(kPenActionNames[static_cast<int>(action)]) + " " +
                       std::to_string(x) + " " + std::to_string(y));
    }
    PenState& s = State();
    const PenCapture* capture = nullptr;
    HWND target = window::Windows().Foreground();
    UINT message = 0;
    WPARAM flags = 0;
    bool dblclkTarget = target != nullptr && WantsDoubleClicks(target);
    {
        std::lock_guard guard(s.lock);
        if (!s.captures.empty()) {
            capture = s.captures.back();
        } else if (target == nullptr) {
            return;
        } else {
            switch (action) {
                case PenAction::Down:
                    message = WM_LBUTTONDOWN;
                    flags = MK_LBUTTON;
                    if (IsDoubleClick(s, target, x, y, window::Clock::now()) && dblclkTarget) {
                        message = WM_LBUTTONDBLCLK;
                    }
                    s.down = true;
                    break;
                case PenAction::Move:
                    if (!s.down) {
                        return;
                    }
                    message = WM_MOUSEMOVE;
                    flags = MK_LBUTTON;
                    break;
                case PenAction::Up:
                    message = WM_LBUTTONUP;
                    s.down = false;
                    break;
            }
        }
    }
    if (capture != nullptr) {
        capture->HandlePen(action, x, y, raw);
        return;
    }
    PostMessageW(target, message, flags, MAKELPARAM(x, y));
}

}  // namespace

void DeliverPenInput(PenAction action, int x, int y) {
    Route(action, x, y, nullptr);
}

void DeliverTouchInput(PenAction action, int x, int y, touch::RawPoint raw) {
    PenState& s = State();
    {
        // A touch that comes down beside the screen goes nowhere, as a click
        // beside the window, but to a screen that holds the pen.
        std::lock_guard guard(s.lock);
        if (s.captures.empty()) {
            if (action == PenAction::Down) {
                s.touchBeside =
                    x < 0 || y < 0 || x >= display::kScreenWidth || y >= display::kScreenHeight;
            }
            if (s.touchBeside) {
                s.touchBeside = action != PenAction::Up;
                return;
            }
        }
    }
    Route(action, x, y, &raw);
}

void CancelPenCaptures() {
    PenState& s = State();
    std::shared_ptr<window::ThreadQueue> queue;
    {
        std::lock_guard guard(s.lock);
        queue = s.captureQueue;
    }
    if (queue == nullptr) {
        return;
    }
    // The captures' handlers run on their own thread, in its loop.
    window::QueueItem item;
    item.screenInput = true;
    item.task = [] {
        std::vector<const PenCapture*> captures;
        {
            std::lock_guard guard(State().lock);
            captures = State().captures;
        }
        for (auto it = captures.rbegin(); it != captures.rend(); ++it) {
            (*it)->HandleCancel();
        }
        return LRESULT{0};
    };
    queue->Push(std::move(item));
}

void DeliverCancel() {
    PenState& s = State();
    const PenCapture* capture = nullptr;
    {
        std::lock_guard guard(s.lock);
        if (!s.captures.empty()) {
            capture = s.captures.back();
        }
    }
    if (capture != nullptr) {
        capture->HandleCancel();
        return;
    }
    window::RequestCloseActiveWindow();
}

void DeliverClose() {
    PenState& s = State();
    {
        std::lock_guard guard(s.lock);
        if (!s.captures.empty()) {
            s.closeHeld = true;
            return;
        }
    }
    window::RequestCloseActiveWindow();
}

PenCapture::PenCapture(PenHandler onPen, std::function<void()> onCancel)
    : m_onPen(std::move(onPen)), m_onCancel(std::move(onCancel)) {
    PenState& s = State();
    std::lock_guard guard(s.lock);
    if (s.captures.empty()) {
        s.captureQueue = window::CurrentQueue();
    }
    // While a capture is active the pen reaches only it; the windows' pen state
    // is forgotten when the last capture ends.
    s.captures.push_back(this);
}

PenCapture::~PenCapture() {
    PenState& s = State();
    std::shared_ptr<window::ThreadQueue> queue;
    bool cancel = false;
    {
        std::lock_guard guard(s.lock);
        std::erase(s.captures, this);
        if (!s.captures.empty()) {
            return;
        }
        queue = std::move(s.captureQueue);
        cancel = s.closeHeld;
        s.closeHeld = false;
        s.down = false;
        s.haveLastDown = false;
    }
    if (queue != nullptr) {
        window::InvalidateWindowsOf(queue.get());
    }
    if (cancel) {
        window::RequestCloseActiveWindow();
    }
}

void PenCapture::HandlePen(PenAction action, int x, int y, const touch::RawPoint* raw) const {
    if (m_onPen) {
        m_onPen(action, x, y, raw);
    }
}

void PenCapture::HandleCancel() const {
    if (m_onCancel) {
        m_onCancel();
    }
}

bool RunNestedLoop(const std::function<bool()>& keepRunning,
                   const std::function<std::chrono::steady_clock::time_point()>& wakeAt) {
    window::LoopOptions options;
    options.keepRunning = keepRunning;
    options.wakeAt = wakeAt;
    options.screenInputOnly = true;
    return window::RunMessageLoop(options) != window::LoopEnd::Quit;
}

bool PenCaptureActive() {
    PenState& s = State();
    std::lock_guard guard(s.lock);
    return !s.captures.empty();
}

}  // namespace dv

// The event pump: pointer and touch become pen input in screen pixels,
// Escape and the window's close box become the dialog's cancel.
#include <chrono>

#include "platform/display/Display.h"
#include "platform/display/DisplayState.h"
#include "platform/window/PenInput.h"

namespace dv::display {
namespace {

int FloorDiv(int value, int divisor) {
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

void MousePen(DisplayState& s, PenAction action, int x, int y) {
    DeliverPenInput(action, FloorDiv(x, s.scale), FloorDiv(y, s.scale));
}

void FingerPen(PenAction action, float x, float y) {
    DeliverPenInput(action, static_cast<int>(x * kScreenWidth),
                    static_cast<int>(y * kScreenHeight));
}

bool PenBusy(const DisplayState& s) {
    return s.mouseDown || s.fingerDown;
}

void Handle(DisplayState& s, const SDL_Event& e) {
    switch (e.type) {
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT && e.button.which != SDL_TOUCH_MOUSEID &&
                !PenBusy(s)) {
                s.mouseDown = true;
                MousePen(s, PenAction::Down, e.button.x, e.button.y);
            }
            break;
        case SDL_MOUSEMOTION:
            if (s.mouseDown && e.motion.which != SDL_TOUCH_MOUSEID) {
                MousePen(s, PenAction::Move, e.motion.x, e.motion.y);
            }
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT && s.mouseDown) {
                s.mouseDown = false;
                MousePen(s, PenAction::Up, e.button.x, e.button.y);
            }
            break;
        case SDL_FINGERDOWN:
            if (!PenBusy(s)) {
                s.fingerDown = true;
                s.finger = e.tfinger.fingerId;
                FingerPen(PenAction::Down, e.tfinger.x, e.tfinger.y);
            }
            break;
        case SDL_FINGERMOTION:
            if (s.fingerDown && e.tfinger.fingerId == s.finger) {
                FingerPen(PenAction::Move, e.tfinger.x, e.tfinger.y);
            }
            break;
        case SDL_FINGERUP:
            if (s.fingerDown && e.tfinger.fingerId == s.finger) {
                s.fingerDown = false;
                FingerPen(PenAction::Up, e.tfinger.x, e.tfinger.y);
            }
            break;
        case SDL_KEYDOWN:
            if (e.key.keysym.sym == SDLK_ESCAPE && e.key.repeat == 0) {
                DeliverCancel();
            }
            break;
        case SDL_QUIT:
            DeliverClose();
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                PresentAll();
            } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                DeliverClose();
            }
            break;
        default:
            break;  // wake-ups and everything else only end the wait
    }
}

void WaitWithoutDisplay(DisplayState& s, int timeoutMs) {
    std::unique_lock lock(s.lock);
    if (timeoutMs < 0) {
        s.woken.wait(lock, [&] { return s.wakePending; });
    } else {
        s.woken.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return s.wakePending; });
    }
    s.wakePending = false;
}

}  // namespace

void WaitEvents(int timeoutMs) {
    DisplayState& s = State();
    if (!s.open || s.offscreen) {
        // Headless there is nothing to read from SDL: sleep until woken
        // instead of letting SDL poll every millisecond.
        WaitWithoutDisplay(s, timeoutMs);
        return;
    }
    {
        std::scoped_lock lock(s.lock);
        if (s.wakePending) {
            // A wake that came before the wait ends it at once; the event it
            // pushed is drained below.
            s.wakePending = false;
            timeoutMs = 0;
        }
    }
    SDL_Event event;
    const int got = timeoutMs < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, timeoutMs);
    if (got != 0) {
        Handle(s, event);
    }
    while (s.open && SDL_PollEvent(&event) != 0) {
        Handle(s, event);
    }
    std::scoped_lock lock(s.lock);
    s.wakePending = false;
}

}  // namespace dv::display

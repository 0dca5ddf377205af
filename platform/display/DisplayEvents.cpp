// The event pump: pointer and touch become pen input in screen pixels,
// Escape and the window's close box become the dialog's cancel. Full screen,
// a pen that comes down in the border around the panel goes nowhere; one that
// came down on the panel and moves into the border goes on past the panel's
// edge, as a held pointer does past a window's edge.
#include <chrono>
#include <cmath>
#include <cstdint>

#include "platform/display/Display.h"
#include "platform/display/DisplayState.h"
#include "platform/display/FullScreen.h"
#include "platform/display/TouchScreen.h"

namespace dv::display {
namespace {

int FloorDiv(int value, int divisor) {
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

// Window coordinates in the renderer's pixels, which a dense display has
// more of.
int ToPixels(int value, int pixels, int coordinates) {
    return coordinates > 0 ? static_cast<int>(static_cast<int64_t>(value) * pixels / coordinates)
                           : value;
}

PanelPoint MouseOnPanel(const DisplayState& s, int x, int y) {
    if (!s.fullScreen) {
        return {FloorDiv(x, s.scale), FloorDiv(y, s.scale), true};
    }
    return ToPanel(s.box, ToPixels(x, s.drawWidth, s.windowWidth),
                   ToPixels(y, s.drawHeight, s.windowHeight));
}

// Touch comes as fractions of the window.
PanelPoint FingerOnPanel(const DisplayState& s, float x, float y) {
    if (!s.fullScreen) {
        return {static_cast<int>(x * kScreenWidth), static_cast<int>(y * kScreenHeight), true};
    }
    return ToPanel(s.box, static_cast<int>(std::floor(x * static_cast<float>(s.drawWidth))),
                   static_cast<int>(std::floor(y * static_cast<float>(s.drawHeight))));
}

void Pen(const InputSink& sink, PenAction action, const PanelPoint& point) {
    if (sink.pen != nullptr) {
        sink.pen(action, point.x, point.y);
    }
}

void Notify(void (*handler)()) {
    if (handler != nullptr) {
        handler();
    }
}

bool PenBusy(const DisplayState& s) {
    return s.mouseDown || s.fingerDown || s.touchDown;
}

void HandleMouse(DisplayState& s, const InputSink& sink, const SDL_Event& e) {
    switch (e.type) {
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT && e.button.which != SDL_TOUCH_MOUSEID &&
                !PenBusy(s)) {
                const PanelPoint point = MouseOnPanel(s, e.button.x, e.button.y);
                s.mouseDown = point.inside;
                if (point.inside) {
                    Pen(sink, PenAction::Down, point);
                }
            }
            break;
        case SDL_MOUSEMOTION:
            if (s.mouseDown && e.motion.which != SDL_TOUCH_MOUSEID) {
                Pen(sink, PenAction::Move, MouseOnPanel(s, e.motion.x, e.motion.y));
            }
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT && s.mouseDown) {
                s.mouseDown = false;
                Pen(sink, PenAction::Up, MouseOnPanel(s, e.button.x, e.button.y));
            }
            break;
        default:
            break;
    }
}

void HandleFinger(DisplayState& s, const InputSink& sink, const SDL_Event& e) {
    switch (e.type) {
        case SDL_FINGERDOWN:
            if (!PenBusy(s)) {
                const PanelPoint point = FingerOnPanel(s, e.tfinger.x, e.tfinger.y);
                s.fingerDown = point.inside;
                s.finger = e.tfinger.fingerId;
                if (point.inside) {
                    Pen(sink, PenAction::Down, point);
                }
            }
            break;
        case SDL_FINGERMOTION:
            if (s.fingerDown && e.tfinger.fingerId == s.finger) {
                Pen(sink, PenAction::Move, FingerOnPanel(s, e.tfinger.x, e.tfinger.y));
            }
            break;
        case SDL_FINGERUP:
            if (s.fingerDown && e.tfinger.fingerId == s.finger) {
                s.fingerDown = false;
                Pen(sink, PenAction::Up, FingerOnPanel(s, e.tfinger.x, e.tfinger.y));
            }
            break;
        default:
            break;
    }
}

void HandleWindowEvent(DisplayState& s, const InputSink& sink, const SDL_WindowEvent& e) {
    if (e.event == SDL_WINDOWEVENT_EXPOSED || e.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        if (s.fullScreen) {
            LayOutFullScreen(s);
        }
        PresentAll();
    } else if (e.event == SDL_WINDOWEVENT_CLOSE) {
        Notify(sink.close);
    }
}

void Handle(DisplayState& s, const InputSink& sink, const SDL_Event& e) {
    switch (e.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEMOTION:
        case SDL_MOUSEBUTTONUP:
            HandleMouse(s, sink, e);
            break;
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP:
            HandleFinger(s, sink, e);
            break;
        case SDL_KEYDOWN:
            if (e.key.keysym.sym == SDLK_ESCAPE && e.key.repeat == 0) {
                Notify(sink.cancel);
            }
            break;
        case SDL_QUIT:
            Notify(sink.close);
            break;
        case SDL_WINDOWEVENT:
            HandleWindowEvent(s, sink, e.window);
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

void WaitEvents(int timeoutMs, const InputSink& sink) {
    DisplayState& s = State();
    if (!s.open || s.offscreen) {
        // Headless there is nothing to read from SDL: sleep until woken
        // instead of letting SDL poll every millisecond.
        WaitWithoutDisplay(s, timeoutMs);
        DeliverTouchFrames(s, sink);
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
        Handle(s, sink, event);
    }
    while (s.open && SDL_PollEvent(&event) != 0) {
        Handle(s, sink, event);
    }
    DeliverTouchFrames(s, sink);
    std::scoped_lock lock(s.lock);
    s.wakePending = false;
}

}  // namespace dv::display

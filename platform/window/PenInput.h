// Pen input from the display or from dialvane-ctl, in screen pixels. The
// window layer turns it into WM_LBUTTONDOWN / WM_MOUSEMOVE (while down) /
// WM_LBUTTONUP, or WM_LBUTTONDBLCLK for a second down within 500 ms and 4
// pixels of the last one when the window's class has CS_DBLCLKS. The messages
// are posted to the process's active top-level window (the last one created
// or brought to the foreground) and handled by its loop.
#pragma once

#include <chrono>
#include <functional>

#include "platform/display/DisplayInput.h"
#include "platform/touch/TouchFrame.h"

namespace dv {

// Safe from the UI thread only; other threads post through the IPC layer.
void DeliverPenInput(PenAction action, int x, int y);
// The same from a bound touch controller, with the raw values it read, which
// a screen that holds the pen receives as well.
void DeliverTouchInput(PenAction action, int x, int y, touch::RawPoint raw);

}  // namespace dv

namespace dv {

// The Escape key: the dialog's cancel, which closes it through the normal
// destruction (posts WM_CLOSE to the active window), or, while a screen
// holds the pen, that screen's own cancel. Safe from any thread.
void DeliverCancel();
// The host window's close box: as the dialog's cancel, but while a screen
// holds the pen the close waits until that screen has ended, as a close of
// the whole panel waits on the unit.
void DeliverClose();

// raw is the touch controller's reading, null for pen input from elsewhere.
using PenHandler = std::function<void(PenAction action, int x, int y, const touch::RawPoint* raw)>;

// A full-screen screen of the platform that takes the pen, such as the touch
// calibration. Typical use, on the UI thread:
//
//     bool done = false;
//     dv::PenCapture capture([&](dv::PenAction a, int x, int y, auto*) { ...; done = ...; },
//                            [&] { done = true; });
//     dv::RunNestedLoop([&] { return !done; });
//
// While a capture lives:
//  - pen input goes, raw, to the newest capture's handler (called on the UI
//    thread, from the loop) instead of becoming window messages;
//  - windows get no WM_PAINT: the screen shows the capture's drawing;
//  - a cancel (Escape) goes to onCancel, and so does a request to end the
//    process (RequestCloseActiveWindow, on SIGTERM): the screen ends at once
//    and the close follows; the close box is held and delivered to the
//    active window when the last capture ends.
// When the last capture ends, every window of its thread is invalidated
// without erasing, so the windows below repaint.
class PenCapture {
public:
    explicit PenCapture(PenHandler onPen, std::function<void()> onCancel);
    ~PenCapture();
    PenCapture(const PenCapture&) = delete;
    PenCapture& operator=(const PenCapture&) = delete;

    void HandlePen(PenAction action, int x, int y, const touch::RawPoint* raw) const;
    void HandleCancel() const;

private:
    PenHandler m_onPen;
    std::function<void()> m_onCancel;
};

// Runs the calling thread's message loop until keepRunning() returns false;
// with wakeAt, it looks again no later than the time that returns.
// Messages, timers, paints (none while a capture lives) and cross-process
// messages are handled as in the dialog's loop, without its pre-translation;
// while it waits the panel counts as idle (commands of dialvane-ctl reply).
// Returns false when WM_QUIT ended it; the quit stays pending so the outer
// loop ends as well.
bool RunNestedLoop(const std::function<bool()>& keepRunning,
                   const std::function<std::chrono::steady_clock::time_point()>& wakeAt = {});

// Cancels every capture, newest first, on the thread that holds them; safe
// from any thread (the request to end the process calls it).
void CancelPenCaptures();

// True while a PenCapture lives.
bool PenCaptureActive();

}  // namespace dv

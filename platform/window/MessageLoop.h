// The unit's message loop, shared by the modal dialog, nested loops of
// platform screens, the stand-in launcher and tests.
//
// Order of work on each turn: queued items (posted and sent messages, pen
// input, tasks of the IPC layer) first, then WM_QUIT, then WM_PAINT for an
// invalid window of this thread, then due timers. When none is left the loop
// is idle: replies that wait for idleness are sent, then the thread blocks
// (in the display's event wait when the display is open).
#pragma once

#include <chrono>
#include <functional>

#include "platform/WinUser.h"

namespace dv::window {

enum class LoopEnd { Stopped, Quit, Idle };

struct LoopOptions {
    // Sees every message of the loop first (not sent ones); TRUE means the
    // message was handled.
    std::function<BOOL(MSG*)> preTranslate;
    // Checked before each message and before blocking; false ends the loop.
    std::function<bool()> keepRunning;
    // When set, the loop blocks no later than the time it returns, so that
    // keepRunning can end it then.
    std::function<std::chrono::steady_clock::time_point()> wakeAt;
    // Return instead of blocking when idle.
    bool returnWhenIdle = false;
    // For a screen that holds the pen: only pen input and screenshots are
    // handled; messages (posted, sent, from other processes) and timers wait
    // until the loop ends, and are then handled in the order they came.
    bool screenInputOnly = false;
};

// Runs the calling thread's loop. A WM_QUIT that ends it stays pending.
LoopEnd RunMessageLoop(const LoopOptions& options);

// Dispatches one message to its window's handler on the calling thread.
LRESULT DispatchToWindow(const MSG& msg);

}  // namespace dv::window

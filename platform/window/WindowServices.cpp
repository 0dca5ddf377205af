// The window system's services to the class library: the dialog's screen and
// its modal loop.
#include "platform/WindowServices.h"

#include "platform/display/Display.h"
#include "platform/window/MessageLoop.h"
#include "platform/window/WindowTable.h"

namespace dv {

bool ShowOnScreen(HWND hwnd) {
    // With the display turned off (tests) the loop waits on its own queue.
    if (!display::Open()) {
        return false;
    }
    if (auto record = window::Windows().Find(hwnd)) {
        std::lock_guard guard(window::Windows().Mutex());
        record->ownsDisplay = true;
    }
    window::CurrentQueue()->UseDisplayForWaits();
    return true;
}

void RunModalLoop(const std::function<bool()>& keepRunning,
                  const std::function<BOOL(MSG*)>& preTranslate) {
    auto queue = window::CurrentQueue();
    window::LoopOptions options;
    options.preTranslate = preTranslate;
    options.keepRunning = keepRunning;
    if (window::RunMessageLoop(options) == window::LoopEnd::Quit) {
        queue->ClearQuit();
    }
    queue->FlushIdleReplies();
}

}  // namespace dv

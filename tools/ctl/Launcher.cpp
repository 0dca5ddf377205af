#include "Launcher.h"

#include <pthread.h>
#include <signal.h>

#include <cinttypes>
#include <cstdio>
#include <thread>

#include "MessageNames.h"
#include "devices/LauncherProtocol.h"
#include "platform/afx/CWnd.h"
#include "platform/ipc/WindowSockets.h"
#include "platform/window/MessageLoop.h"
#include "platform/window/WindowTable.h"

namespace ctl {
namespace {

class LauncherWindow : public CWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_DESTROY) {
            return 0;
        }
        std::string name = LauncherName(message);
        if (name.empty()) {
            std::printf("0x%04x %" PRIuPTR " %" PRIdPTR "\n", message, wParam, lParam);
        } else {
            std::printf("%s %" PRIuPTR " %" PRIdPTR "\n", name.c_str(), wParam, lParam);
        }
        std::fflush(stdout);
        return 0;
    }
};

bool IsPublished(HWND hwnd) {
    auto record = dv::window::Windows().Find(hwnd);
    if (record == nullptr) {
        return false;
    }
    std::lock_guard guard(dv::window::Windows().Mutex());
    return record->listener != nullptr;
}

sigset_t TerminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    return signals;
}

// SIGTERM and SIGINT end the launcher's loop on its own thread.
void CloseOnSignal(HWND hwnd, std::shared_ptr<dv::window::ThreadQueue> queue) {
    sigset_t signals = TerminationSignals();
    std::thread([signals, hwnd, queue] {
        int signal = 0;
        while (sigwait(&signals, &signal) != 0) {
        }
        dv::window::QueueItem item;
        item.task = [hwnd] { return static_cast<LRESULT>(DestroyWindow(hwnd)); };
        queue->Push(std::move(item));
    }).detach();
}

}  // namespace

int RunLauncher() {
    sigset_t signals = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    if (dv::ipc::FindRemoteWindow(kLauncherTitle)) {
        std::fprintf(stderr, "dialvane-ctl: a launcher is already running\n");
        return 1;
    }
    LauncherWindow window;
    window.CreateEx(WS_EX_NOACTIVATE, L"Dialog", nullptr, WS_POPUP | WS_VISIBLE, RECT{});
    window.SetWindowText(kLauncherTitle);
    if (!IsPublished(window.m_hWnd)) {
        std::fprintf(stderr, "dialvane-ctl: the launcher cannot be reached by other programs\n");
        return 1;
    }
    CloseOnSignal(window.m_hWnd, dv::window::CurrentQueue());
    std::fprintf(stderr, "dialvane-ctl: launcher \"Launcher_Tulvo\" is running\n");
    dv::window::LoopOptions options;
    options.keepRunning = [&window] { return window.m_hWnd != nullptr; };
    dv::window::RunMessageLoop(options);
    return 0;
}

}  // namespace ctl

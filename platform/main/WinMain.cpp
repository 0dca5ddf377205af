// Process start-up of the panel: the runtime folder, the device root, then
// the application object's InitInstance. The process ends when it returns.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "platform/Platform.h"
#include "platform/afx/CWinApp.h"
#include "platform/core/Termination.h"
#include "platform/display/Display.h"
#include "platform/ipc/NamedMutex.h"
#include "platform/ipc/RuntimeFolder.h"
#include "platform/main/CommandLine.h"
#include "platform/window/WindowTable.h"

namespace {

// The exit statuses, listed in the README.
constexpr int kClosedExit = 0;
constexpr int kNoApplicationExit = 1;
constexpr int kRefusedExit = 2;
constexpr int kNoWindowFoundExit = 3;
constexpr int kSignalExitBase = 128;

// SIGTERM and SIGINT close the dialog the way its cancel does, so it ends
// through its normal destruction; waits that would hold that up give up
// (see Termination.h). A second one ends the process at once.
void HandleTerminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    // Blocked before any other thread starts, so every thread inherits it
    // and only the waiter below takes these signals.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals] {
        int count = 0;
        for (;;) {
            int signal = 0;
            if (sigwait(&signals, &signal) != 0) {
                continue;
            }
            if (++count > 1) {
                _exit(kSignalExitBase + signal);
            }
            dv::RequestTermination();
            dv::window::RequestCloseActiveWindow();
        }
    }).detach();
}

// A copy that found another holding the single-instance mutex and handed
// over to its window ends well; one that found no window to hand over to
// leaves no panel running, which a supervisor must see as a failure.
int ExitStatusAfterRun() {
    const std::wstring mutex = dv::ipc::ExistingNamedMutexFound();
    if (mutex.empty() || dv::window::RemoteWindowRaised()) {
        return kClosedExit;
    }
    std::fprintf(stderr,
                 "dialvane: another process holds the mutex \"%s\" but has no window to hand "
                 "over to; no panel is running\n",
                 dv::WideToUtf8(mutex).c_str());
    return kNoWindowFoundExit;
}

}  // namespace

int main(int argc, char** argv) {
    dv::HandleCommandLine(argc, argv);
    std::string problem = dv::ipc::PrepareRuntimeDir();
    if (!problem.empty()) {
        std::fprintf(stderr, "dialvane: %s\n", problem.c_str());
        return kRefusedExit;
    }
    HandleTerminationSignals();
    if (!dv::ProvisionDeviceRoot()) {
        std::fprintf(stderr, "dialvane: could not lay out the device root \"%s\"\n",
                     dv::DeviceRoot().c_str());
    }
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        std::fprintf(stderr, "dialvane: the program has no application object\n");
        return kNoApplicationExit;
    }
    app->InitInstance();
    // From here the process is ending: a copy started now waits for it to go.
    dv::RequestTermination();
    if (dv::display::IsOpen()) {
        dv::display::Close();
    }
    return ExitStatusAfterRun();
}

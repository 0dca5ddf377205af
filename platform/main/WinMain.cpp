// Process start-up of the panel: the runtime folder, the device root, then
// the application object's InitInstance. The process ends when it returns.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "platform/Platform.h"
#include "platform/afx/CWinApp.h"
#include "platform/display/Display.h"
#include "platform/ipc/RuntimeFolder.h"
#include "platform/main/CommandLine.h"
#include "platform/window/WindowTable.h"

namespace {

constexpr int kRefusedExit = 2;
constexpr int kNoApplicationExit = 1;
constexpr int kSignalExitBase = 128;

// SIGTERM and SIGINT close the dialog the way its cancel does, so it ends
// through its normal destruction. A second one ends the process at once.
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
            dv::window::RequestCloseActiveWindow();
        }
    }).detach();
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
    if (dv::display::IsOpen()) {
        dv::display::Close();
    }
    return 0;
}

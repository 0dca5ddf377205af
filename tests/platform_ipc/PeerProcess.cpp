#include "PeerProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "platform/Platform.h"
#include "platform/WinBase.h"
#include "platform/display/Display.h"
#include "platform/testing/TestWindow.h"
#include "platform/window/MessageLoop.h"

namespace dv::test {
namespace {

// A titled window that prints each message it handles and closes on WM_CLOSE.
class PrintingWindow : public dv::testing::TestWindow {
public:
    using TestWindow::TestWindow;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT answer = TestWindow::WindowProc(message, wParam, lParam);
        if (message != WM_DESTROY) {
            std::printf("%u %lu %ld\n", message, static_cast<unsigned long>(wParam),
                        static_cast<long>(lParam));
            std::fflush(stdout);
        }
        if (message == WM_CLOSE) {
            DestroyWindow();
        }
        return answer;
    }
};

int RunWindowPeer(const std::string& title, LRESULT answer) {
    dv::display::Disable();
    PrintingWindow window(dv::Utf8ToWide(title).c_str(), answer, true);
    std::printf("ready\n");
    std::fflush(stdout);
    dv::window::LoopOptions options;
    options.keepRunning = [&window] { return window.m_hWnd != nullptr; };
    dv::window::RunMessageLoop(options);
    return 0;
}

// Waits for the go file so that every racer starts at the same moment, then
// holds the mutex until stdin closes.
int RunMutexPeer(const std::string& name, const std::string& goFile) {
    struct stat info {};
    while (::stat(goFile.c_str(), &info) != 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    HANDLE mutex = CreateMutexW(nullptr, TRUE, dv::Utf8ToWide(name).c_str());
    DWORD error = GetLastError();
    std::printf("%s %lu\n", mutex != nullptr ? "handle" : "null",
                static_cast<unsigned long>(error));
    std::fflush(stdout);
    char byte = 0;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
    return 0;
}

int RunPeer(const std::string& role) {
    std::istringstream words(role);
    std::string kind, first, second;
    words >> kind >> first >> second;
    if (kind == "window") {
        return RunWindowPeer(first, std::atol(second.c_str()));
    }
    if (kind == "mutex") {
        return RunMutexPeer(first, second);
    }
    return 100;
}

[[maybe_unused]] const bool kRanAsPeer = [] {
    const char* role = std::getenv(kPeerRoleVariable);
    if (role != nullptr) {
        std::_Exit(RunPeer(role));
    }
    return false;
}();

}  // namespace

Peer::Peer(const std::string& role) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::setenv(kPeerRoleVariable, role.c_str(), 1);
        ::execl("/proc/self/exe", "peer", static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_stdin = in[1];
    m_stdout = out[0];
}

Peer::~Peer() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        Wait();
    }
    CloseStdin();
    if (m_stdout >= 0) {
        ::close(m_stdout);
    }
}

std::string Peer::ReadLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto newline = m_buffered.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffered.substr(0, newline);
            m_buffered.erase(0, newline + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || m_stdout < 0) {
            return {};
        }
        pollfd waiter{m_stdout, POLLIN, 0};
        if (::poll(&waiter, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buffer[256];
        ssize_t n = ::read(m_stdout, buffer, sizeof(buffer));
        if (n <= 0) {
            return {};
        }
        m_buffered.append(buffer, static_cast<std::size_t>(n));
    }
}

void Peer::CloseStdin() {
    if (m_stdin >= 0) {
        ::close(m_stdin);
        m_stdin = -1;
    }
}

void Peer::Signal(int signal) {
    if (m_pid > 0) {
        ::kill(m_pid, signal);
    }
}

int Peer::Wait() {
    if (m_pid <= 0) {
        return -1;
    }
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace dv::test

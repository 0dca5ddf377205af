// Shared set-up of the platform's tests: no display, a device root and a
// runtime folder of each test's own, the log captured; and other processes
// (this program run again in a role) for the tests that need a peer.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/WinDef.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/ScopedDeviceRoot.h"
#include "platform/testing/TestWindow.h"

namespace dv::test {

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    dv::testing::ScopedDeviceRoot root;
    dv::testing::LogCapture log;
    std::filesystem::path runtime;
};

// A running copy of this program. Roles: "window TITLE ANSWER" (a titled
// window that prints "MSG WPARAM LPARAM" for each message, "ready" first) and
// "display" (opens the screen with a dialog and prints "display 1" when it
// shows), "mutex NAME" (prints "handle|null ERROR" and holds the mutex until its
// stdin closes), "save FAULT TEXT" (DIALVANE_STORAGE_FAULT=FAULT, then TEXT saved
// to conf.ini in two writes; exits 0 when saved).
class Peer {
public:
    explicit Peer(const std::string& role);
    ~Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    // The next line printed, "" at its end or after timeoutMs.
    std::string ReadLine(int timeoutMs = 5000);
    void CloseStdin();
    void Signal(int signal);
    // Waits for its end: the exit status, or -1.
    int Wait();

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    std::string m_buffered;
};

// Runs body(0) .. body(count - 1) in as many processes at once; the exit
// status of each (0 when body returned true), in order.
std::vector<int> InChildrenAtOnce(int count, const std::function<bool(int)>& body);
inline int InChild(const std::function<bool()>& body) {
    return InChildrenAtOnce(1, [&](int) { return body(); })[0];
}

std::vector<BYTE> Utf16(std::u16string_view text, bool terminator = true);
std::vector<UINT> Ids(const dv::testing::TestWindow& window);

}  // namespace dv::test

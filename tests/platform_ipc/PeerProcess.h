// Other processes for the IPC tests: the test program runs itself again in a
// role chosen by the environment, before any test starts.
#pragma once

#include <sys/types.h>

#include <string>

namespace dv::test {

constexpr char kPeerRoleVariable[] = "DV_IPC_TEST_PEER";

// A running peer with a pipe to its stdin and one from its stdout.
class Peer {
public:
    // role: "window TITLE ANSWER" or "mutex NAME GOFILE".
    explicit Peer(const std::string& role);
    ~Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    // The next line the peer printed, without its newline; "" at its end or
    // after timeoutMs.
    std::string ReadLine(int timeoutMs = 5000);
    void CloseStdin();
    void Signal(int signal);
    // Waits for the peer to end; its exit status, or -1.
    int Wait();
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    std::string m_buffered;
};

}  // namespace dv::test

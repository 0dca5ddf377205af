// Collects the debug output while it lives, for tests that check log lines
// byte for byte.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace dv::testing {

class LogCapture {
public:
    // The captured text is kept off stderr meanwhile.
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Everything logged so far, in order, as one UTF-8 string.
    std::string Text() const;
    // Each write of the log, in order.
    std::vector<std::string> Writes() const;
    bool Contains(const std::string& text) const;
    void Clear();

private:
    int m_id;
    mutable std::mutex m_lock;
    std::vector<std::string> m_writes;
};

}  // namespace dv::testing

// Collects the debug output while it lives, to check log lines byte for byte.
#pragma once

#include <mutex>
#include <string>

#include "platform/core/DebugLog.h"

namespace dv::testing {

class LogCapture {
public:
    // The captured text is kept off stderr meanwhile.
    LogCapture() {
        m_id = AddDebugLogListener([this](std::string_view text) {
            std::lock_guard guard(m_lock);
            m_text += text;
            ++m_writes;
        });
        SetDebugLogToStderr(false);
    }
    ~LogCapture() {
        RemoveDebugLogListener(m_id);
        SetDebugLogToStderr(true);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Everything logged so far, in order, as one UTF-8 string.
    std::string Text() const { return Locked(m_text); }
    std::size_t WriteCount() const { return Locked(m_writes); }  // how many writes that took
    bool Contains(const std::string& text) const { return Text().find(text) != std::string::npos; }
    void Clear() {
        std::lock_guard guard(m_lock);
        m_text.clear();
        m_writes = 0;
    }

private:
    template <typename T>
    T Locked(const T& field) const {
        std::lock_guard guard(m_lock);
        return field;
    }

    int m_id = 0;
    mutable std::mutex m_lock;
    std::string m_text;
    std::size_t m_writes = 0;
};

}  // namespace dv::testing

#include "platform/testing/LogCapture.h"

#include "platform/core/DebugLog.h"

namespace dv::testing {

LogCapture::LogCapture() {
    m_id = AddDebugLogListener([this](std::string_view text) {
        std::lock_guard guard(m_lock);
        m_writes.emplace_back(text);
    });
    SetDebugLogToStderr(false);
}

LogCapture::~LogCapture() {
    RemoveDebugLogListener(m_id);
    SetDebugLogToStderr(true);
}

std::string LogCapture::Text() const {
    std::lock_guard guard(m_lock);
    std::string all;
    for (const auto& w : m_writes) {
        all += w;
    }
    return all;
}

std::vector<std::string> LogCapture::Writes() const {
    std::lock_guard guard(m_lock);
    return m_writes;
}

bool LogCapture::Contains(const std::string& text) const {
    return Text().find(text) != std::string::npos;
}

void LogCapture::Clear() {
    std::lock_guard guard(m_lock);
    m_writes.clear();
}

}  // namespace dv::testing

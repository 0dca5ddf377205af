// The debug output: every line the system logs goes to stderr and, when
// DIALVANE_LOG names a file, is appended to it. Tests can add a listener.
#pragma once

#include <cstdarg>
#include <functional>
#include <string>
#include <string_view>

namespace dv {

using DebugLogListener = std::function<void(std::string_view utf8Text)>;

// Formats as the unit's wide printf: "%s" and "%c" take wide arguments.
std::wstring FormatWide(const wchar_t* format, va_list args);
void WriteDebugText(std::string_view utf8Text);
// Installs a listener that sees every text written; returns an id to remove it.
int AddDebugLogListener(DebugLogListener listener);
void RemoveDebugLogListener(int id);
// Tests silence stderr while they capture the log.
void SetDebugLogToStderr(bool enabled);

}  // namespace dv

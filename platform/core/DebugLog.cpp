#include "platform/core/DebugLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdarg>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <mutex>
#include <vector>

#include "platform/Platform.h"
#include "platform/WinBase.h"

namespace dv {
namespace {

constexpr std::size_t kMaxLine = 4096;
constexpr std::size_t kShortLine = 256;

struct LogState {
    std::mutex lock;
    std::map<int, DebugLogListener> listeners;
    int nextId = 1;
    bool toStderr = true;
};

LogState& State() {
    static LogState* state = new LogState;  // lives to the process end
    return *state;
}

// The unit's wide printf reads "%s" as a wide string; the C library reads it
// as a narrow one. Rewrite the conversions so the library sees "%ls"/"%lc".
std::wstring TranslateFormat(const wchar_t* format) {
    std::wstring out;
    for (const wchar_t* p = format; *p != L'\0'; ++p) {
        out.push_back(*p);
        if (*p != L'%') {
            continue;
        }
        ++p;
        if (*p == L'%') {
            out.push_back(*p);
            continue;
        }
        while (*p != L'\0' && std::wcschr(L"-+ #0123456789.*", *p) != nullptr) {
            out.push_back(*p++);
        }
        bool hasLength = false;
        while (*p != L'\0' && std::wcschr(L"hlLqjzt", *p) != nullptr) {
            hasLength = true;
            out.push_back(*p++);
        }
        if (*p == L'\0') {
            break;
        }
        if ((*p == L's' || *p == L'c') && !hasLength) {
            out.push_back(L'l');
        } else if (*p == L'S' || *p == L'C') {
            // Upper case names the other width: a narrow string.
            out.push_back(*p == L'S' ? L's' : L'c');
            continue;
        }
        out.push_back(*p);
    }
    return out;
}

void AppendToLogFile(std::string_view text) {
    const char* path = std::getenv("DIALVANE_LOG");
    if (path == nullptr || *path == '\0') {
        return;
    }
    int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    // One write per line keeps lines of several processes whole in O_APPEND.
    [[maybe_unused]] ssize_t n = ::write(fd, text.data(), text.size());
    ::close(fd);
}

}  // namespace

std::wstring FormatWide(const wchar_t* format, va_list args) {
    std::wstring translated = TranslateFormat(format);
    // Most lines fit the stack; only a line that does not takes the heap.
    std::array<wchar_t, kShortLine> line;
    va_list copy;
    va_copy(copy, args);
    int n = std::vswprintf(line.data(), line.size(), translated.c_str(), copy);
    va_end(copy);
    if (n >= 0) {
        return std::wstring(line.data(), static_cast<std::size_t>(n));
    }
    std::vector<wchar_t> buffer(kMaxLine);
    va_copy(copy, args);
    n = std::vswprintf(buffer.data(), buffer.size(), translated.c_str(), copy);
    va_end(copy);
    if (n < 0) {
        // Too long for one line: keep what fits, marked as cut.
        buffer[buffer.size() - 1] = L'\0';
        return std::wstring(buffer.data()) + L"...\r\n";
    }
    return std::wstring(buffer.data(), static_cast<std::size_t>(n));
}

void WriteDebugText(std::string_view utf8Text) {
    LogState& s = State();
    std::vector<DebugLogListener> listeners;
    bool toStderr = true;
    {
        std::lock_guard guard(s.lock);
        for (auto& [id, l] : s.listeners) {
            listeners.push_back(l);
        }
        toStderr = s.toStderr;
    }
    if (toStderr) {
        [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, utf8Text.data(), utf8Text.size());
    }
    AppendToLogFile(utf8Text);
    for (auto& l : listeners) {
        l(utf8Text);
    }
}

int AddDebugLogListener(DebugLogListener listener) {
    LogState& s = State();
    std::lock_guard guard(s.lock);
    int id = s.nextId++;
    s.listeners.emplace(id, std::move(listener));
    return id;
}

void RemoveDebugLogListener(int id) {
    LogState& s = State();
    std::lock_guard guard(s.lock);
    s.listeners.erase(id);
}

void SetDebugLogToStderr(bool enabled) {
    LogState& s = State();
    std::lock_guard guard(s.lock);
    s.toStderr = enabled;
}

}  // namespace dv

void NKDbgPrintfW(LPCWSTR lpszFmt, ...) {
    if (lpszFmt == nullptr) {
        return;
    }
    va_list args;
    va_start(args, lpszFmt);
    std::wstring text = dv::FormatWide(lpszFmt, args);
    va_end(args);
    dv::WriteDebugText(dv::WideToUtf8(text));
}

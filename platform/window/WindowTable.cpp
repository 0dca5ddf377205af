#include "platform/window/WindowTable.h"

#include <algorithm>
#include <atomic>

#include "platform/WindowServices.h"
#include "platform/ipc/WindowSockets.h"
#include "platform/window/PenInput.h"

namespace dv::window {

namespace {

constexpr uintptr_t kHandleStride = 4;

bool g_closeRequested = false;  // guarded by the table's lock
std::atomic<bool> g_remoteRaised{false};

}  // namespace

WindowTable& Windows() {
    static WindowTable* table = new WindowTable;  // lives to the process end
    return *table;
}

HWND WindowTable::Insert(std::shared_ptr<WindowRecord> record) {
    std::lock_guard guard(m_lock);
    uintptr_t value = m_next;
    m_next += kHandleStride;
    record->hwnd = reinterpret_cast<HWND>(value);
    m_windows.emplace(value, std::move(record));
    return reinterpret_cast<HWND>(value);
}

std::shared_ptr<WindowRecord> WindowTable::Find(HWND hwnd) {
    std::lock_guard guard(m_lock);
    auto it = m_windows.find(reinterpret_cast<uintptr_t>(hwnd));
    return it == m_windows.end() ? nullptr : it->second;
}

std::shared_ptr<WindowRecord> WindowTable::Remove(HWND hwnd) {
    std::lock_guard guard(m_lock);
    auto it = m_windows.find(reinterpret_cast<uintptr_t>(hwnd));
    if (it == m_windows.end()) {
        return nullptr;
    }
    auto record = std::move(it->second);
    m_windows.erase(it);
    std::erase(m_order, hwnd);
    if (m_foreground == hwnd) {
        m_foreground = m_order.empty() ? nullptr : m_order.back();
    }
    return record;
}

HWND WindowTable::FindLocalByTitle(const std::wstring& className, const std::wstring& title) {
    std::lock_guard guard(m_lock);
    for (const auto& [value, record] : m_windows) {
        if (record->remote || record->destroying || record->title != title) {
            continue;
        }
        if (!className.empty() && record->className != className) {
            continue;
        }
        return record->hwnd;
    }
    return nullptr;
}

HWND WindowTable::RemoteHandle(const std::string& socketPath, uint64_t identity) {
    {
        std::lock_guard guard(m_lock);
        for (const auto& [value, record] : m_windows) {
            if (record->remote && record->socketPath == socketPath &&
                record->socketIdentity == identity) {
                return record->hwnd;
            }
        }
    }
    auto record = std::make_shared<WindowRecord>();
    record->remote = true;
    record->socketPath = socketPath;
    record->socketIdentity = identity;
    return Insert(std::move(record));
}

std::vector<std::shared_ptr<WindowRecord>> WindowTable::LocalWindows() {
    std::lock_guard guard(m_lock);
    std::vector<std::shared_ptr<WindowRecord>> result;
    for (const auto& [value, record] : m_windows) {
        if (!record->remote) {
            result.push_back(record);
        }
    }
    return result;
}

std::vector<std::shared_ptr<WindowRecord>> WindowTable::WindowsOf(const ThreadQueue* queue) {
    std::lock_guard guard(m_lock);
    std::vector<std::shared_ptr<WindowRecord>> result;
    for (const auto& [value, record] : m_windows) {
        if (!record->remote && record->queue.get() == queue) {
            result.push_back(record);
        }
    }
    return result;
}

HWND WindowTable::Foreground() {
    std::lock_guard guard(m_lock);
    return m_foreground;
}

void WindowTable::SetForeground(HWND hwnd) {
    std::lock_guard guard(m_lock);
    std::erase(m_order, hwnd);
    m_order.push_back(hwnd);
    m_foreground = hwnd;
}

RECT ClientRect(const WindowRecord& record) {
    return RECT{0, 0, record.rect.right - record.rect.left, record.rect.bottom - record.rect.top};
}

HWND CreateWindowFor(const CreateParams& params) {
    auto record = std::make_shared<WindowRecord>();
    record->wndProc = params.wndProc;
    record->queue = CurrentQueue();
    record->className = params.className;
    record->classStyle = ClassStyle(params.className);
    record->style = params.style;
    record->rect = params.rect;
    WindowTable& table = Windows();
    HWND hwnd = table.Insert(record);
    if (params.activate) {
        table.SetForeground(hwnd);
        bool closeNow = false;
        {
            std::lock_guard guard(table.Mutex());
            closeNow = g_closeRequested;
            g_closeRequested = false;
        }
        if (closeNow) {
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        }
    }
    return hwnd;
}

LRESULT CallHandler(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto record = Windows().Find(hwnd);
    if (record == nullptr || record->remote) {
        return 0;
    }
    WNDPROC proc = nullptr;
    {
        std::lock_guard guard(Windows().Mutex());
        proc = record->wndProc;
    }
    return CallWindowProcW(proc, hwnd, message, wParam, lParam);
}

void ReleaseWindowResources(WindowRecord& record) {
    std::shared_ptr<ipc::Listener> listener;
    {
        std::lock_guard guard(Windows().Mutex());
        listener = std::move(record.listener);
        record.timers.clear();
    }
    if (listener != nullptr) {
        ipc::Unpublish(listener);
    }
}

void RequestCloseActiveWindow() {
    // A screen that holds the pen would hold the close until it ends.
    CancelPenCaptures();
    WindowTable& table = Windows();
    HWND active = table.Foreground();
    if (active != nullptr && PostMessageW(active, WM_CLOSE, 0, 0)) {
        return;
    }
    std::lock_guard guard(table.Mutex());
    g_closeRequested = true;
}

void NoteRemoteWindowRaised() {
    g_remoteRaised = true;
}

bool RemoteWindowRaised() {
    return g_remoteRaised;
}

void InvalidateWindowsOf(const ThreadQueue* queue) {
    for (const auto& record : Windows().WindowsOf(queue)) {
        InvalidateRect(record->hwnd, nullptr, FALSE);
    }
}

}  // namespace dv::window

void dv::DetachWindow(HWND hwnd) {
    if (hwnd == nullptr) {
        return;
    }
    if (auto record = window::Windows().Remove(hwnd)) {
        window::ReleaseWindowResources(*record);
    }
}

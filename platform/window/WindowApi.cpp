// Windows and messages: finding windows, sending and posting, destruction and
// the default handling of messages.
#include <future>
#include <utility>

#include "platform/WinBase.h"
#include "platform/display/Display.h"
#include "platform/ipc/IpcClient.h"
#include "platform/ipc/WindowSockets.h"
#include "platform/window/RemoteRequests.h"
#include "platform/window/WindowTable.h"

namespace {

using dv::window::Windows;

std::shared_ptr<dv::window::WindowRecord> LocalRecord(HWND hwnd) {
    auto record = Windows().Find(hwnd);
    return (record == nullptr || record->remote) ? nullptr : record;
}

bool OnOwnerThread(const dv::window::WindowRecord& record) {
    return record.queue->Owner() == std::this_thread::get_id();
}

dv::ipc::RemoteWindow RemoteOf(const dv::window::WindowRecord& record) {
    return dv::ipc::RemoteWindow{record.socketPath, record.socketIdentity};
}

LRESULT SendAcrossThreads(const std::shared_ptr<dv::window::WindowRecord>& record, UINT message,
                          WPARAM wParam, LPARAM lParam) {
    auto promise = std::make_shared<std::promise<LRESULT>>();
    std::future<LRESULT> result = promise->get_future();
    dv::window::QueueItem item;
    item.msg.hwnd = record->hwnd;
    item.msg.message = message;
    item.msg.wParam = wParam;
    item.msg.lParam = lParam;
    item.msg.time = GetTickCount();
    item.sent = true;
    item.reply = std::make_shared<dv::window::ReplySlot>(
        [promise](LRESULT value) { promise->set_value(value); });
    record->queue->Push(std::move(item));
    return result.get();
}

HICON IconOf(HWND hwnd, WPARAM size) {
    auto record = LocalRecord(hwnd);
    if (record == nullptr || size > ICON_BIG) {
        return nullptr;
    }
    std::lock_guard guard(Windows().Mutex());
    return record->icons[size];
}

// Keeps the icon of the given size, shown on the display when the window owns
// it; answers the one it replaces, as WM_SETICON does.
LRESULT SwapIcon(HWND hwnd, WPARAM size, HICON icon) {
    auto record = LocalRecord(hwnd);
    if (record == nullptr || size > ICON_BIG) {
        return 0;
    }
    HICON previous = nullptr;
    bool ownsDisplay = false;
    {
        std::lock_guard guard(Windows().Mutex());
        previous = std::exchange(record->icons[size], icon);
        ownsDisplay = record->ownsDisplay;
    }
    if (ownsDisplay) {
        dv::display::SetIcon(icon);
    }
    return reinterpret_cast<LRESULT>(previous);
}

}  // namespace

HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
    if (lpWindowName == nullptr) {
        return nullptr;
    }
    std::wstring className = (lpClassName == nullptr || IS_INTRESOURCE(lpClassName))
                                 ? std::wstring()
                                 : std::wstring(lpClassName);
    if (HWND local = Windows().FindLocalByTitle(className, lpWindowName)) {
        return local;
    }
    auto remote = dv::ipc::FindRemoteWindow(lpWindowName);
    if (!remote) {
        return nullptr;
    }
    return Windows().RemoteHandle(remote->socketPath, remote->identity);
}

BOOL SetForegroundWindow(HWND hWnd) {
    auto record = Windows().Find(hWnd);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (record->remote) {
        if (!dv::ipc::Transact(RemoteOf(*record), dv::ipc::RaiseFrame(), false,
                               dv::ipc::kSendTimeoutMs)) {
            return FALSE;
        }
        dv::window::NoteRemoteWindowRaised();
        return TRUE;
    }
    Windows().SetForeground(hWnd);
    if (record->ownsDisplay) {
        dv::display::Raise();
    }
    return TRUE;
}

BOOL IsWindow(HWND hWnd) {
    auto record = Windows().Find(hWnd);
    if (record == nullptr) {
        return FALSE;
    }
    if (record->remote) {
        return dv::ipc::IsRemoteWindowAlive(RemoteOf(*record)) ? TRUE : FALSE;
    }
    return TRUE;
}

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto record = Windows().Find(hWnd);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (record->remote) {
        // A window that went away loses the message without a report.
        return dv::ipc::Transact(
                   RemoteOf(*record),
                   dv::ipc::MessageFrame(dv::ipc::FrameKind::Send, Msg, wParam, lParam), true,
                   dv::ipc::kSendTimeoutMs)
            .value_or(0);
    }
    if (OnOwnerThread(*record)) {
        return dv::window::CallHandler(hWnd, Msg, wParam, lParam);
    }
    return SendAcrossThreads(record, Msg, wParam, lParam);
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    dv::window::QueueItem item;
    item.msg.hwnd = hWnd;
    item.msg.message = Msg;
    item.msg.wParam = wParam;
    item.msg.lParam = lParam;
    item.msg.time = GetTickCount();
    if (hWnd == nullptr) {
        // A message for the thread itself: seen by the loop's pre-translation.
        dv::window::CurrentQueue()->Push(std::move(item));
        return TRUE;
    }
    auto record = Windows().Find(hWnd);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (record->remote) {
        return dv::ipc::Transact(
                   RemoteOf(*record),
                   dv::ipc::MessageFrame(dv::ipc::FrameKind::Post, Msg, wParam, lParam), false,
                   dv::ipc::kSendTimeoutMs)
                   ? TRUE
                   : FALSE;
    }
    record->queue->Push(std::move(item));
    return TRUE;
}

void PostQuitMessage(int nExitCode) {
    dv::window::CurrentQueue()->PostQuit(nExitCode);
}

LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    switch (Msg) {
        case WM_SETICON:
            return SwapIcon(hWnd, wParam, reinterpret_cast<HICON>(lParam));
        case WM_GETICON:
            return reinterpret_cast<LRESULT>(IconOf(hWnd, wParam));
        case WM_CLOSE:
            if (LocalRecord(hWnd) != nullptr) {
                DestroyWindow(hWnd);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps{};
            if (BeginPaint(hWnd, &ps) != nullptr) {
                EndPaint(hWnd, &ps);
            }
            return 0;
        }
        default:
            return 0;
    }
}

BOOL DestroyWindow(HWND hWnd) {
    auto record = LocalRecord(hWnd);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!OnOwnerThread(*record)) {
        dv::window::QueueItem item;
        item.task = [hWnd] { return static_cast<LRESULT>(DestroyWindow(hWnd)); };
        record->queue->Push(std::move(item));
        return TRUE;
    }
    {
        std::lock_guard guard(Windows().Mutex());
        if (record->destroying) {
            return TRUE;
        }
        record->destroying = true;
        record->timers.clear();
    }
    // The window still exists while its handler sees WM_DESTROY, and then
    // WM_NCDESTROY, after which its creator lets go of it.
    dv::window::CallHandler(hWnd, WM_DESTROY, 0, 0);
    dv::window::CallHandler(hWnd, WM_NCDESTROY, 0, 0);
    Windows().Remove(hWnd);
    dv::window::ReleaseWindowResources(*record);
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    auto record = LocalRecord(hWnd);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard guard(Windows().Mutex());
        record->rect = RECT{X, Y, X + nWidth, Y + nHeight};
    }
    if (bRepaint) {
        InvalidateRect(hWnd, nullptr, TRUE);
    }
    return TRUE;
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
    auto record = LocalRecord(hWnd);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::wstring title = lpString == nullptr ? std::wstring() : std::wstring(lpString);
    std::shared_ptr<dv::ipc::Listener> old;
    {
        std::lock_guard guard(Windows().Mutex());
        if (record->title == title && (record->listener != nullptr || title.empty())) {
            return TRUE;
        }
        record->title = title;
        old = std::move(record->listener);
    }
    if (old != nullptr) {
        dv::ipc::Unpublish(old);
    }
    // Reachable from other processes from the moment the title is set.
    std::shared_ptr<dv::ipc::Listener> listener;
    if (!title.empty()) {
        listener = dv::ipc::Publish(title, dv::window::RemoteRequestsFor(hWnd, record->queue));
    }
    {
        std::lock_guard guard(Windows().Mutex());
        record->listener = std::move(listener);
    }
    if (record->ownsDisplay) {
        dv::display::SetTitle(title);
    }
    return TRUE;
}

BOOL PtInRect(const RECT* lprc, POINT pt) {
    if (lprc == nullptr) {
        return FALSE;
    }
    return (pt.x >= lprc->left && pt.x < lprc->right && pt.y >= lprc->top && pt.y < lprc->bottom)
               ? TRUE
               : FALSE;
}

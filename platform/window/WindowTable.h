// The process's table of windows: the local ones, each owned by the thread
// that created it, and handles of windows of other processes found by title.
// Fields of a record are read and written under the table's lock; handlers
// are never called with the lock held.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/WinUser.h"
#include "platform/window/ClassTable.h"
#include "platform/window/ThreadQueue.h"

namespace dv::ipc {
class Listener;
}

namespace dv::window {

using Clock = std::chrono::steady_clock;

struct Timer {
    UINT_PTR id = 0;
    UINT intervalMs = 0;
    TIMERPROC proc = nullptr;
    Clock::time_point due;
};

struct WindowRecord {
    HWND hwnd = nullptr;

    // Local windows. The window procedure gets every message; user data is
    // the creator's (GWLP_WNDPROC, GWLP_USERDATA).
    WNDPROC wndProc = nullptr;
    LONG_PTR userData = 0;
    std::shared_ptr<ThreadQueue> queue;
    std::wstring className;
    UINT classStyle = 0;
    DWORD style = 0;
    std::wstring title;
    RECT rect{};
    bool invalid = false;
    bool erase = false;
    RECT update{};
    // Counts invalidations and validations, so the loop can tell whether a
    // paint handler validated the window.
    unsigned paintGeneration = 0;
    bool destroying = false;
    std::vector<Timer> timers;
    std::shared_ptr<ipc::Listener> listener;
    // WM_SETICON's small and big icons, by ICON_SMALL / ICON_BIG.
    HICON icons[2] = {};
    // The window that opened the display: its title and icon are the display's.
    bool ownsDisplay = false;

    // Windows of other processes: their socket, and the socket file's
    // identity when found, so that a window that went away and a new one of
    // the same title are told apart.
    bool remote = false;
    std::string socketPath;
    uint64_t socketIdentity = 0;
};

class WindowTable {
public:
    std::mutex& Mutex() { return m_lock; }

    // All of these take the lock themselves.
    HWND Insert(std::shared_ptr<WindowRecord> record);
    std::shared_ptr<WindowRecord> Find(HWND hwnd);
    std::shared_ptr<WindowRecord> Remove(HWND hwnd);
    HWND FindLocalByTitle(const std::wstring& className, const std::wstring& title);
    HWND RemoteHandle(const std::string& socketPath, uint64_t identity);
    std::vector<std::shared_ptr<WindowRecord>> LocalWindows();
    std::vector<std::shared_ptr<WindowRecord>> WindowsOf(const ThreadQueue* queue);

    HWND Foreground();
    void SetForeground(HWND hwnd);

private:
    std::mutex m_lock;
    std::map<uintptr_t, std::shared_ptr<WindowRecord>> m_windows;
    // Local windows in creation order, for the choice of the next active one.
    std::vector<HWND> m_order;
    HWND m_foreground = nullptr;
    uintptr_t m_next = 0x20000;
};

WindowTable& Windows();

struct CreateParams {
    std::wstring className = L"Dialog";
    DWORD style = WS_POPUP | WS_VISIBLE;
    RECT rect{};
    // Becomes the window that takes the pen.
    bool activate = true;
    WNDPROC wndProc = DefWindowProcW;
};

// Creates a top-level window on the calling thread.
HWND CreateWindowFor(const CreateParams& params);
// The handler of a local window, called on the calling thread.
LRESULT CallHandler(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Frees what a window holds: its timers and socket.
void ReleaseWindowResources(WindowRecord& record);
// Asks the active window to close (WM_CLOSE), from any thread; if no window
// exists yet, the first one created gets it. A screen that holds the pen is
// cancelled first, so the close is not held until it ends.
void RequestCloseActiveWindow();
// Whether this process brought a window of another process to the front:
// a second copy that handed over to the running one.
void NoteRemoteWindowRaised();
bool RemoteWindowRaised();
// Invalidates every window of the queue's thread, without erasing.
void InvalidateWindowsOf(const ThreadQueue* queue);

RECT ClientRect(const WindowRecord& record);

}  // namespace dv::window

// Invalidation, paint passes and device contexts of windows.
#include <algorithm>

#include "platform/WinBase.h"
#include "platform/core/FrameLog.h"
#include "platform/gdi/Screen.h"
#include "platform/window/WindowTable.h"

namespace {

using dv::window::Windows;

RECT Union(const RECT& a, const RECT& b) {
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

bool IsEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

void Invalidate(dv::window::WindowRecord& record, const RECT* rect, BOOL erase) {
    bool wake = false;
    {
        std::lock_guard guard(Windows().Mutex());
        if (record.destroying) {
            return;
        }
        const RECT area = rect != nullptr ? *rect : dv::window::ClientRect(record);
        // Invalidations coalesce into one pending paint of their union.
        if (!record.invalid || IsEmpty(record.update)) {
            record.update = area;
        } else if (!IsEmpty(area)) {
            record.update = Union(record.update, area);
        }
        record.invalid = true;
        record.erase = record.erase || erase != FALSE;
        ++record.paintGeneration;
        wake = record.queue->Owner() != std::this_thread::get_id();
    }
    if (wake) {
        record.queue->Wake();
    }
}

}  // namespace

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    if (hWnd == nullptr) {
        for (const auto& record : Windows().LocalWindows()) {
            Invalidate(*record, lpRect, bErase);
        }
        return TRUE;
    }
    auto record = Windows().Find(hWnd);
    if (record == nullptr || record->remote) {
        return FALSE;
    }
    Invalidate(*record, lpRect, bErase);
    return TRUE;
}

HDC BeginPaint(HWND hWnd, PAINTSTRUCT* lpPaint) {
    auto record = Windows().Find(hWnd);
    if (record == nullptr || record->remote || lpPaint == nullptr) {
        return nullptr;
    }
    *lpPaint = PAINTSTRUCT{};
    bool erase = false;
    {
        // The window is validated when its paint pass starts, so that an
        // invalidation made while painting asks for another pass.
        std::lock_guard guard(Windows().Mutex());
        erase = record->erase;
        lpPaint->rcPaint = record->invalid ? record->update : dv::window::ClientRect(*record);
        record->invalid = false;
        record->erase = false;
        ++record->paintGeneration;
    }
    lpPaint->hdc = dv::gdi::CreateScreenDC();
    lpPaint->fErase = FALSE;
    if (erase) {
        LRESULT erased =
            dv::window::CallHandler(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(lpPaint->hdc), 0);
        lpPaint->fErase = erased == 0 ? TRUE : FALSE;
    }
    return lpPaint->hdc;
}

BOOL EndPaint(HWND /*hWnd*/, const PAINTSTRUCT* lpPaint) {
    if (lpPaint == nullptr || lpPaint->hdc == nullptr) {
        return FALSE;
    }
    dv::gdi::DeleteScreenDC(lpPaint->hdc);
    dv::NoteFrameEvent("paint");
    return TRUE;
}

HDC GetDC(HWND /*hWnd*/) {
    // Every window covers the screen from its origin; the screen surface
    // serves them all.
    return dv::gdi::CreateScreenDC();
}

int ReleaseDC(HWND /*hWnd*/, HDC hDC) {
    if (hDC == nullptr) {
        return 0;
    }
    return dv::gdi::DeleteScreenDC(hDC) ? 1 : 0;
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    auto record = Windows().Find(hWnd);
    if (record == nullptr || record->remote) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    bool wake = false;
    {
        std::lock_guard guard(Windows().Mutex());
        if (record->destroying) {
            return 0;
        }
        std::erase_if(record->timers, [nIDEvent](const auto& t) { return t.id == nIDEvent; });
        dv::window::Timer timer;
        timer.id = nIDEvent;
        timer.intervalMs = uElapse;
        timer.proc = lpTimerFunc;
        timer.due = dv::window::Clock::now() + std::chrono::milliseconds(uElapse);
        record->timers.push_back(timer);
        wake = record->queue->Owner() != std::this_thread::get_id();
    }
    if (wake) {
        record->queue->Wake();
    }
    return nIDEvent;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    auto record = Windows().Find(hWnd);
    if (record == nullptr || record->remote) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::lock_guard guard(Windows().Mutex());
    auto removed =
        std::erase_if(record->timers, [uIDEvent](const auto& t) { return t.id == uIDEvent; });
    return removed != 0 ? TRUE : FALSE;
}

// Making windows and the fields of a window the creator owns: its window
// procedure and user data.
#include "platform/WinBase.h"
#include "platform/WinUser.h"
#include "platform/window/ClassTable.h"
#include "platform/window/WindowTable.h"

namespace {

std::wstring ClassNameOf(LPCWSTR name) {
    return (name == nullptr || IS_INTRESOURCE(name)) ? std::wstring() : std::wstring(name);
}

bool KnownIndex(int index) {
    return index == GWLP_WNDPROC || index == GWLP_USERDATA;
}

// A local window whose field the index names; sets the error otherwise.
std::shared_ptr<dv::window::WindowRecord> RecordFor(HWND hwnd, int index) {
    auto record = dv::window::Windows().Find(hwnd);
    if (record == nullptr || record->remote) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (!KnownIndex(index)) {
        SetLastError(ERROR_INVALID_INDEX);
        return nullptr;
    }
    return record;
}

// Both read with the table's lock held.
LONG_PTR Field(const dv::window::WindowRecord& record, int index) {
    return index == GWLP_WNDPROC ? reinterpret_cast<LONG_PTR>(record.wndProc) : record.userData;
}

void SetField(dv::window::WindowRecord& record, int index, LONG_PTR value) {
    if (index == GWLP_WNDPROC) {
        record.wndProc = reinterpret_cast<WNDPROC>(value);
    } else {
        record.userData = value;
    }
}

}  // namespace

HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                     int X, int Y, int nWidth, int nHeight, HWND /*hWndParent*/, HMENU /*hMenu*/,
                     HINSTANCE /*hInstance*/, LPVOID /*lpParam*/) {
    dv::window::CreateParams params;
    params.className = ClassNameOf(lpClassName);
    const auto proc = dv::window::ClassProc(params.className);
    if (!proc) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    params.wndProc = *proc;
    params.style = dwStyle;
    params.rect = RECT{X, Y, X + nWidth, Y + nHeight};
    params.activate = (dwExStyle & WS_EX_NOACTIVATE) == 0;
    HWND hwnd = dv::window::CreateWindowFor(params);
    if (lpWindowName != nullptr && lpWindowName[0] != L'\0') {
        SetWindowTextW(hwnd, lpWindowName);
    }
    return hwnd;
}

LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    auto record = RecordFor(hWnd, nIndex);
    if (record == nullptr) {
        return 0;
    }
    std::lock_guard guard(dv::window::Windows().Mutex());
    LONG_PTR old = Field(*record, nIndex);
    SetField(*record, nIndex, dwNewLong);
    return old;
}

LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex) {
    auto record = RecordFor(hWnd, nIndex);
    if (record == nullptr) {
        return 0;
    }
    std::lock_guard guard(dv::window::Windows().Mutex());
    return Field(*record, nIndex);
}

LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (lpPrevWndFunc == nullptr) {
        return DefWindowProcW(hWnd, Msg, wParam, lParam);
    }
    return lpPrevWndFunc(hWnd, Msg, wParam, lParam);
}

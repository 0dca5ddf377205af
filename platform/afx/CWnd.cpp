#include "platform/afx/CWnd.h"

#include "platform/WindowServices.h"

CWnd::~CWnd() {
    DropWindow();
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* /*pParentWnd*/, UINT /*nID*/) {
    if (m_hWnd != nullptr) {
        return FALSE;
    }
    HWND hwnd = ::CreateWindowExW(dwExStyle, lpszClassName, nullptr, dwStyle, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                  nullptr, nullptr);
    if (hwnd == nullptr) {
        return FALSE;
    }
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WindowProcOf));
    m_hWnd = hwnd;
    if (lpszWindowName != nullptr) {
        SetWindowText(lpszWindowName);
    }
    return TRUE;
}

LRESULT CWnd::WindowProcOf(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* wnd = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (wnd == nullptr) {
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        // The window is gone once its handler has seen WM_DESTROY: the
        // device contexts it got go with it, and the object lets go of it.
        if (wnd->m_hWnd == hwnd) {
            wnd->ReleaseDCs();
            wnd->m_hWnd = nullptr;
        }
        return 0;
    }
    return wnd->Dispatch(message, wParam, lParam);
}

// Sets the fields Default() reads for the length of one handler call, and
// puts back those of an outer message when handlers nest (SendMessage from
// within a handler).
LRESULT CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    const UINT savedMsg = m_nCurMsg;
    const WPARAM savedW = m_curWParam;
    const LPARAM savedL = m_curLParam;
    m_nCurMsg = message;
    m_curWParam = wParam;
    m_curLParam = lParam;
    LRESULT result = WindowProc(message, wParam, lParam);
    m_nCurMsg = savedMsg;
    m_curWParam = savedW;
    m_curLParam = savedL;
    return result;
}

void CWnd::DropWindow() {
    if (m_hWnd == nullptr) {
        return;
    }
    ReleaseDCs();
    dv::DetachWindow(m_hWnd);
    m_hWnd = nullptr;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::SetWindowText(LPCWSTR lpszString) {
    ::SetWindowTextW(m_hWnd, lpszString);
}

BOOL CWnd::DestroyWindow() {
    return ::DestroyWindow(m_hWnd);
}

CDC* CWnd::GetDC() {
    // Only a window of this process draws.
    if (m_hWnd == nullptr || ::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC) == 0) {
        return nullptr;
    }
    HDC hdc = ::GetDC(m_hWnd);
    if (hdc == nullptr) {
        return nullptr;
    }
    auto dc = std::make_unique<CDC>();
    dc->Attach(hdc);
    CDC* result = dc.get();
    std::lock_guard guard(m_dcLock);
    m_dcs[hdc] = std::move(dc);
    return result;
}

int CWnd::ReleaseDC(CDC* pDC) {
    if (m_hWnd == nullptr || pDC == nullptr) {
        return 0;
    }
    std::unique_ptr<CDC> owned;
    {
        std::lock_guard guard(m_dcLock);
        auto it = m_dcs.find(pDC->GetSafeHdc());
        if (it == m_dcs.end() || it->second.get() != pDC) {
            return 0;
        }
        owned = std::move(it->second);
        m_dcs.erase(it);
    }
    HDC hdc = owned->Detach();
    return ::ReleaseDC(m_hWnd, hdc);
}

void CWnd::ReleaseDCs() {
    std::map<HDC, std::unique_ptr<CDC>> dcs;
    {
        std::lock_guard guard(m_dcLock);
        dcs.swap(m_dcs);
    }
    for (auto& [hdc, dc] : dcs) {
        dc->Detach();
        ::ReleaseDC(m_hWnd, hdc);
    }
}

void CWnd::Invalidate(BOOL bErase) {
    ::InvalidateRect(m_hWnd, nullptr, bErase);
}

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) {
    ::InvalidateRect(m_hWnd, lpRect, bErase);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    return ::KillTimer(m_hWnd, nIDEvent);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_nCurMsg, m_curWParam, m_curLParam);
}

BOOL CWnd::PreTranslateMessage(MSG* /*pMsg*/) {
    return FALSE;
}

#include "platform/afx/CWnd.h"

#include "platform/gdi/Screen.h"
#include "platform/window/WindowTable.h"

CWnd::~CWnd() {
    // The derived parts are gone: the window goes without messages.
    dv::window::DetachWindow(this);
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
    auto record = dv::window::Windows().Find(m_hWnd);
    if (record == nullptr || record->remote) {
        return nullptr;
    }
    HDC hdc = ::GetDC(m_hWnd);
    if (hdc == nullptr) {
        return nullptr;
    }
    auto dc = std::make_unique<CDC>();
    dc->Attach(hdc);
    CDC* result = dc.get();
    std::lock_guard guard(dv::window::Windows().Mutex());
    record->dcs[hdc] = std::move(dc);
    return result;
}

int CWnd::ReleaseDC(CDC* pDC) {
    auto record = dv::window::Windows().Find(m_hWnd);
    if (record == nullptr || pDC == nullptr) {
        return 0;
    }
    std::unique_ptr<CDC> owned;
    {
        std::lock_guard guard(dv::window::Windows().Mutex());
        auto it = record->dcs.find(pDC->GetSafeHdc());
        if (it == record->dcs.end() || it->second.get() != pDC) {
            return 0;
        }
        owned = std::move(it->second);
        record->dcs.erase(it);
    }
    HDC hdc = owned->Detach();
    return ::ReleaseDC(m_hWnd, hdc);
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
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    return ::DefWindowProcW(m_hWnd, m_nCurMsg, m_curWParam, m_curLParam);
}

BOOL CWnd::PreTranslateMessage(MSG* /*pMsg*/) {
    return FALSE;
}

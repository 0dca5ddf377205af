// A window of the unit. Messages reach WindowProc on the thread that runs
// the window's message loop.
#pragma once

#include "platform/WinUser.h"
#include "platform/afx/CDC.h"

namespace dv::window {
struct WndAccess;
}

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void SetWindowText(LPCWSTR lpszString);
    virtual BOOL DestroyWindow();
    CDC* GetDC();
    int ReleaseDC(CDC* pDC);
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer);
    BOOL KillTimer(UINT_PTR nIDEvent);

    // Called for every message of the window; the default hands it to Default().
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The platform's default processing of the message being handled.
    LRESULT Default();
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    HWND m_hWnd = nullptr;

protected:
    // Fields of the message being handled, for Default().
    UINT m_nCurMsg = 0;
    WPARAM m_curWParam = 0;
    LPARAM m_curLParam = 0;

private:
    // The window layer sets the fields of the message being handled.
    friend struct dv::window::WndAccess;
};

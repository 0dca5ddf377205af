// A window of the unit. Messages reach WindowProc on the thread that runs
// the window's message loop.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/WinUser.h"
#include "platform/afx/CDC.h"

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Makes the window, of a registered class, on the calling thread.
    // WS_EX_NOACTIVATE: it does not take the pen. The title, when given, is
    // set once the window is this object's.
    BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd = nullptr, UINT nID = 0);

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

    // Called for every message of the window; the default hands it to
    // DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The platform's default processing of the message being handled.
    LRESULT Default();
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    HWND m_hWnd = nullptr;

protected:
    // The default processing of a message, as the window's class has it.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Takes the window out without messages: the derived parts of the object
    // are gone, so no handler of theirs may run.
    void DropWindow();

    // Fields of the message being handled, for Default().
    UINT m_nCurMsg = 0;
    WPARAM m_curWParam = 0;
    LPARAM m_curLParam = 0;

private:
    // The window procedure of every window of this class library: hands the
    // message to the object kept in the window's user data.
    static LRESULT WindowProcOf(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // Releases the device contexts GetDC handed out and that are still out.
    void ReleaseDCs();

    std::mutex m_dcLock;
    std::map<HDC, std::unique_ptr<CDC>> m_dcs;
};

#include "platform/afx/CPaintDC.h"

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWndPaint(pWnd != nullptr ? pWnd->m_hWnd : nullptr) {
    HDC hdc = ::BeginPaint(m_hWndPaint, &m_ps);
    if (hdc != nullptr) {
        Attach(hdc);
    }
}

CPaintDC::~CPaintDC() {
    if (m_hDC != nullptr) {
        Detach();
        ::EndPaint(m_hWndPaint, &m_ps);
    }
}

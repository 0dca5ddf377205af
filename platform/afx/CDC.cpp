#include "platform/afx/CDC.h"

#include <memory>

#include "platform/afx/Wrappers.h"

namespace {

dv::afx::WrapperMap<HDC, CDC>& Wrappers() {
    static auto* wrappers = [] {
        dv::afx::WatchGoneHandles();
        return new dv::afx::WrapperMap<HDC, CDC>;  // lives to the process end
    }();
    return *wrappers;
}

}  // namespace

CDC::~CDC() {
    // A memory surface goes with its wrapper. A screen surface belongs to
    // whoever got it (GetDC, BeginPaint) and is released there.
    if (m_hDC != nullptr && ::GetObjectType(m_hDC) != OBJ_DC) {
        ::DeleteDC(m_hDC);
    }
}

BOOL CDC::Attach(HDC hDC) {
    if (hDC == nullptr || m_hDC != nullptr) {
        return FALSE;
    }
    m_hDC = hDC;
    return TRUE;
}

HDC CDC::Detach() {
    HDC h = m_hDC;
    m_hDC = nullptr;
    return h;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
    if (m_hDC != nullptr) {
        return FALSE;
    }
    return Attach(::CreateCompatibleDC(pDC != nullptr ? pDC->m_hDC : nullptr));
}

BOOL CDC::DeleteDC() {
    if (m_hDC == nullptr) {
        return FALSE;
    }
    if (!::DeleteDC(m_hDC)) {
        return FALSE;
    }
    m_hDC = nullptr;
    return TRUE;
}

HGDIOBJ CDC::SelectObject(HGDIOBJ hObject) {
    return ::SelectObject(m_hDC, hObject);
}

CFont* CDC::SelectObject(CFont* pFont) {
    if (pFont == nullptr) {
        return nullptr;
    }
    return CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, pFont->m_hObject)));
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                 DWORD dwRop) {
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC != nullptr ? pSrcDC->m_hDC : nullptr, xSrc,
                    ySrc, dwRop);
}

int CDC::SetBkMode(int nBkMode) {
    return ::SetBkMode(m_hDC, nBkMode);
}

COLORREF CDC::SetTextColor(COLORREF crColor) {
    return ::SetTextColor(m_hDC, crColor);
}

int CDC::DrawText(LPCWSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
    return ::DrawTextW(m_hDC, lpszString, nCount, lpRect, nFormat);
}

CDC* CDC::FromHandle(HDC hDC) {
    if (hDC == nullptr) {
        return nullptr;
    }
    return Wrappers().Find(hDC, [](HDC handle) {
        auto wrapper = std::make_unique<CDC>();
        wrapper->m_hDC = handle;
        return wrapper;
    });
}

namespace dv::afx {

void ForgetDcWrapper(HDC hdc) {
    const std::unique_ptr<CDC> gone = Wrappers().Take(hdc);
    if (gone == nullptr) {
        return;
    }
    gone->m_hDC = nullptr;  // the surface is already gone
}

}  // namespace dv::afx

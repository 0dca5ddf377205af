// A drawing surface wrapper around a device context.
#pragma once

#include "platform/WinGdi.h"
#include "platform/afx/CFont.h"

class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    BOOL Attach(HDC hDC);
    HDC Detach();

    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();
    HGDIOBJ SelectObject(HGDIOBJ hObject);
    CFont* SelectObject(CFont* pFont);
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                DWORD dwRop);
    int SetBkMode(int nBkMode);
    COLORREF SetTextColor(COLORREF crColor);
    int DrawText(LPCWSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);

    static CDC* FromHandle(HDC hDC);

    HDC m_hDC = nullptr;
};

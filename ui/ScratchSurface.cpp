#include "ui/ScratchSurface.h"

#include "ui/ResourceIds.h"

CScratchSurface::CScratchSurface(CDC* pLikeDC) : m_pLikeDC(pLikeDC) {
    m_dc.CreateCompatibleDC(pLikeDC);
}

// The surface itself goes with its CDC member, once it holds its own bitmap again.
CScratchSurface::~CScratchSurface() {
    ReleaseHeld();
}

void CScratchSurface::HoldBlank(int cx, int cy) {
    HDC hLike = m_pLikeDC != nullptr ? m_pLikeDC->GetSafeHdc() : nullptr;
    Hold(::CreateCompatibleBitmap(hLike, cx, cy));
}

void CScratchSurface::HoldResource(UINT nBitmapId) {
    Hold(LoadResourceBitmap(nBitmapId));
}

void CScratchSurface::Hold(HBITMAP hBitmap) {
    ReleaseHeld();
    // A bitmap that could not be made leaves the surface as it is: the
    // pieces drawn from it then show whatever the surface holds.
    if (hBitmap == nullptr) {
        return;
    }
    HGDIOBJ hPrevious = m_dc.SelectObject(hBitmap);
    if (hPrevious == nullptr) {
        ::DeleteObject(hBitmap);
        return;
    }
    m_hOriginal = hPrevious;
    m_hHeld = hBitmap;
}

void CScratchSurface::ReleaseHeld() {
    if (m_hHeld == nullptr) {
        return;
    }
    // A bitmap cannot be deleted while a surface has it selected.
    m_dc.SelectObject(m_hOriginal);
    ::DeleteObject(m_hHeld);
    m_hHeld = nullptr;
    m_hOriginal = nullptr;
}

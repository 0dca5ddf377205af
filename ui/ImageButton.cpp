#include "ui/ImageButton.h"

#include "platform/WinBase.h"
#include "ui/ResourceIds.h"

namespace {

constexpr int kMaxExtraImages = 2;

}  // namespace

CImageButton::CImageButton() = default;

// The surfaces Create made go with their CDC members, each with its bitmap.
CImageButton::~CImageButton() = default;

void CImageButton::Create(CDC* pScreenDC, UINT nBitmapId, RECT rect, int nExtraImages,
                          UINT nBitmapId2, UINT nBitmapId3) {
    if (nExtraImages < 0 || nExtraImages > kMaxExtraImages) {
        NKDbgPrintfW(L"CImageButton: extra image count %d out of range 0..2, using 0\r\n",
                     nExtraImages);
        nExtraImages = 0;
    }
    m_nExtraImages = nExtraImages;

    const UINT ids[kMaxExtraImages + 1] = {nBitmapId, nBitmapId2, nBitmapId3};
    for (int k = 0; k <= m_nExtraImages; ++k) {
        m_dcImage[k].CreateCompatibleDC(pScreenDC);
        // The surface keeps the bitmap selected for the button's life and
        // frees it when the surface is deleted.
        HBITMAP hBitmap = LoadResourceBitmap(ids[k]);
        if (hBitmap != nullptr) {
            m_dcImage[k].SelectObject(hBitmap);
        }
    }
    m_rect = rect;
}

void CImageButton::Draw(CDC* pTargetDC, bool bPressed, int nImage) {
    if (pTargetDC == nullptr || nImage < 0 || nImage > m_nExtraImages) {
        return;
    }
    const int w = m_rect.right - m_rect.left;
    const int h = m_rect.bottom - m_rect.top;
    // The strip holds the normal look in its left half, the pressed look in its right.
    const int xSrc = bPressed ? w : 0;
    pTargetDC->BitBlt(m_rect.left, m_rect.top, w, h, &m_dcImage[nImage], xSrc, 0, SRCCOPY);
}

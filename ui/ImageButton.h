// A picture button: a sprite strip twice as wide as the button, normal look
// in the left half and pressed look in the right half. Its CDC members make
// it non-copyable.
#pragma once

#include "platform/afx/CDC.h"

class CImageButton {
public:
    CImageButton();
    virtual ~CImageButton();

    void Create(CDC* pScreenDC, UINT nBitmapId, RECT rect, int nExtraImages, UINT nBitmapId2,
                UINT nBitmapId3);
    void Draw(CDC* pTargetDC, bool bPressed, int nImage);

    RECT m_rect{};
    CDC m_dcImage[3];
    int m_nExtraImages{};
};

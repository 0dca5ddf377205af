// A memory surface that lives for one drawing call. It is compatible with a
// given surface and holds either a blank bitmap of a chosen size or one
// bitmap resource at a time; leaving scope gives back the surface's own
// bitmap and deletes the surface and what it held. Its CDC member makes it
// non-copyable, so no copy can delete the surface twice.
#pragma once

#include "platform/afx/CDC.h"

class CScratchSurface {
public:
    explicit CScratchSurface(CDC* pLikeDC);
    ~CScratchSurface();

    // A blank bitmap of cx x cy, compatible with the surface given at construction.
    void HoldBlank(int cx, int cy);
    // A bitmap resource; the one held before is released first.
    void HoldResource(UINT nBitmapId);

    CDC* operator->() { return &m_dc; }
    CDC* Get() { return &m_dc; }

private:
    void Hold(HBITMAP hBitmap);
    void ReleaseHeld();

    CDC* m_pLikeDC;
    CDC m_dc;
    HGDIOBJ m_hOriginal = nullptr;
    HBITMAP m_hHeld = nullptr;
};

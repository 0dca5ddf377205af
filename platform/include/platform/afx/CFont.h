#pragma once

#include "platform/afx/CGdiObject.h"

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONTW* lpLogFont);
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    // A wrapper kept by the platform for a font handle it did not create
    // through a CFont (the default font of a surface, say).
    static CFont* FromHandle(HFONT hFont);
};

// The class library's wrappers of handles it did not make itself
// (CDC::FromHandle, CFont::FromHandle). A wrapper is dropped when the drawing
// layer lets its handle go.
#pragma once

#include "platform/WinDef.h"

namespace dv::afx {

void ForgetDcWrapper(HDC hdc);
void ForgetFontWrapper(HFONT hfont);
// Asks the drawing layer, once, for notice of the handles that go.
void WatchGoneHandles();

}  // namespace dv::afx

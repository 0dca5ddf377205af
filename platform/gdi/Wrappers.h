// The platform-owned class-library wrappers of foreign handles (CDC::FromHandle,
// CFont::FromHandle). The drawing layer drops a wrapper when its object goes.
#pragma once

#include "platform/WinDef.h"

namespace dv::gdi {

void ForgetDcWrapper(HDC hdc);
void ForgetFontWrapper(HFONT hfont);

}  // namespace dv::gdi

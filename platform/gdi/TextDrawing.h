// Lays out and draws text into a surface: the work behind DrawTextW.
#pragma once

#include <string_view>

#include "platform/WinGdi.h"
#include "platform/gdi/FontEngine.h"
#include "platform/gdi/Surface.h"

namespace dv::gdi {

struct TextStyle {
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    bool opaque = false;
};

struct TextResult {
    int height = 0;
    PixelRect changed;  // surface pixels written
};

TextResult DrawTextInto(Surface& surface, FontInstance& font, std::wstring_view text,
                        const RECT& rect, UINT format, const TextStyle& style);

}  // namespace dv::gdi

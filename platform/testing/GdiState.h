// What a font was made from and what a surface's text state is, for tests
// that check the objects a program creates.
#pragma once

#include <optional>

#include "platform/WinGdi.h"

namespace dv::testing {

std::optional<LOGFONTW> LogFontOf(HFONT font);

struct TextState {
    HFONT font = nullptr;
    int bkMode = 0;
    COLORREF textColor = 0;
};
std::optional<TextState> TextStateOf(HDC dc);

}  // namespace dv::testing

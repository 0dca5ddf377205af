// What a font was made from and a surface's text state, to check made objects.
#pragma once

#include <optional>
#include <tuple>

#include "platform/gdi/GdiObjects.h"

namespace dv::testing {

inline std::optional<LOGFONTW> LogFontOf(HFONT font) {
    auto& table = gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const gdi::FontObject* object = table.FindFont(font);
    return object == nullptr ? std::nullopt : std::optional(object->logFont);
}

// The surface's font, background mode and text colour.
using TextState = std::tuple<HFONT, int, COLORREF>;

inline std::optional<TextState> TextStateOf(HDC dc) {
    auto& table = gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const gdi::DcObject* object = table.FindDc(dc);
    return object == nullptr
               ? std::nullopt
               : std::optional(TextState{object->font, object->bkMode, object->textColor});
}

}  // namespace dv::testing

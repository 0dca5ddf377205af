#include "platform/testing/GdiState.h"

#include "platform/gdi/GdiObjects.h"

namespace dv::testing {

std::optional<LOGFONTW> LogFontOf(HFONT font) {
    auto& table = gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const gdi::FontObject* object = table.FindFont(font);
    return object == nullptr ? std::nullopt : std::optional(object->logFont);
}

std::optional<TextState> TextStateOf(HDC dc) {
    auto& table = gdi::GdiObjects::Instance();
    std::scoped_lock lock(table.Lock());
    const gdi::DcObject* object = table.FindDc(dc);
    if (object == nullptr) {
        return std::nullopt;
    }
    return TextState{object->font, object->bkMode, object->textColor};
}

}  // namespace dv::testing

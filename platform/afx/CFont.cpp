#include "platform/afx/CFont.h"

#include <memory>

#include "platform/afx/Wrappers.h"

namespace {

dv::afx::WrapperMap<HFONT, CFont>& Wrappers() {
    static auto* wrappers = [] {
        dv::afx::WatchGoneHandles();
        return new dv::afx::WrapperMap<HFONT, CFont>;  // lives to the process end
    }();
    return *wrappers;
}

}  // namespace

BOOL CFont::CreateFontIndirect(const LOGFONTW* lpLogFont) {
    // Attach would refuse a second font for this wrapper, and the font would leak.
    if (m_hObject != nullptr) {
        return FALSE;
    }
    return Attach(::CreateFontIndirectW(lpLogFont));
}

CFont* CFont::FromHandle(HFONT hFont) {
    if (hFont == nullptr) {
        return nullptr;
    }
    return Wrappers().Find(hFont, [](HFONT handle) {
        auto wrapper = std::make_unique<CFont>();
        wrapper->m_hObject = handle;
        return wrapper;
    });
}

namespace dv::afx {

void ForgetFontWrapper(HFONT hfont) {
    const std::unique_ptr<CFont> gone = Wrappers().Take(hfont);
    if (gone == nullptr) {
        return;
    }
    gone->m_hObject = nullptr;
}

}  // namespace dv::afx

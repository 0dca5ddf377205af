#include "platform/afx/CFont.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/afx/Wrappers.h"

namespace {

struct FontWrappers {
    std::mutex lock;
    std::map<HFONT, std::unique_ptr<CFont>> wrappers;
};

FontWrappers& Wrappers() {
    static auto* wrappers = [] {
        dv::afx::WatchGoneHandles();
        return new FontWrappers;  // lives to the process end
    }();
    return *wrappers;
}

}  // namespace

BOOL CFont::CreateFontIndirect(const LOGFONTW* lpLogFont) {
    return Attach(::CreateFontIndirectW(lpLogFont));
}

CFont* CFont::FromHandle(HFONT hFont) {
    if (hFont == nullptr) {
        return nullptr;
    }
    auto& state = Wrappers();
    std::scoped_lock lock(state.lock);
    auto& slot = state.wrappers[hFont];
    if (!slot) {
        slot = std::make_unique<CFont>();
        slot->m_hObject = hFont;
    }
    return slot.get();
}

namespace dv::afx {

void ForgetFontWrapper(HFONT hfont) {
    std::unique_ptr<CFont> gone;
    {
        auto& state = Wrappers();
        std::scoped_lock lock(state.lock);
        auto it = state.wrappers.find(hfont);
        if (it == state.wrappers.end()) {
            return;
        }
        gone = std::move(it->second);
        state.wrappers.erase(it);
    }
    gone->m_hObject = nullptr;
}

}  // namespace dv::afx

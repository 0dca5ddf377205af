#include "platform/afx/Wrappers.h"

#include "platform/WindowServices.h"

namespace dv::afx {
namespace {

// Handles are unique across surfaces and fonts: at most one map knows it.
void ForgetWrappers(HGDIOBJ handle) {
    ForgetDcWrapper(static_cast<HDC>(handle));
    ForgetFontWrapper(static_cast<HFONT>(handle));
}

}  // namespace

void WatchGoneHandles() {
    static const bool watching = [] {
        dv::SetGdiHandleGoneHook(&ForgetWrappers);
        return true;
    }();
    (void)watching;
}

}  // namespace dv::afx

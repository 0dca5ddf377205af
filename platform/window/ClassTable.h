// Window classes: a table of registered classes with the platform's
// predefined "Dialog" class. A window takes its class's style when created.
#pragma once

#include <optional>
#include <string>

#include "platform/WinUser.h"

namespace dv::window {

// The style of a registered class, or 0 for an unknown one.
UINT ClassStyle(const std::wstring& className);
// The window procedure of a registered class (DefWindowProcW when it names
// none), or nullopt for an unknown class.
std::optional<WNDPROC> ClassProc(const std::wstring& className);

}  // namespace dv::window

// Services of the port that have no counterpart on the unit: the device root,
// the runtime folder and the process start-up that runs the application object.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace dv {

// DIALVANE_ROOT, else ${XDG_DATA_HOME:-$HOME/.local/share}/dialvane/unit.
std::filesystem::path DeviceRoot();
// Maps "\FlashMem\sysini\conf.ini" to ROOT/FlashMem/sysini/conf.ini.
std::filesystem::path UnitPathToHost(std::wstring_view unitPath);
// Lays out a device root that does not exist yet, as a unit leaves the
// factory. An existing root is left as it is. Returns false on failure.
bool ProvisionDeviceRoot();

// DIALVANE_RUNTIME, else $XDG_RUNTIME_DIR/dialvane, else /tmp/dialvane-<uid>.
std::filesystem::path RuntimeDir();

std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);
// UTF-16 with surrogate pairs; a lone surrogate becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view units);

}  // namespace dv

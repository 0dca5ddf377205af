// Message names and numbers on the command line of dialvane-ctl.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ctl {

// "UM_CLOSE_SETTINGS", "0x857" or "2135".
std::optional<uint32_t> ParseMessage(std::string_view text);
// A decimal or 0x-hexadecimal number, optionally negative.
std::optional<int64_t> ParseNumber(std::string_view text);
// The name the launcher prints for a message it knows, else "".
std::string LauncherName(uint32_t message);

}  // namespace ctl

// The simulated devices' journals: one line per operation, appended to
// ROOT/dev/NAME.log. `lines` is one or more lines, each ending in "\n",
// written at once.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/core/DeviceFolder.h"

namespace dv {

void AppendJournal(std::string_view deviceName, std::string_view lines,
                   Freshness freshness = Freshness::Check);
// "in 8a 74 c0": input bytes in lower-case hex.
std::string HexBytes(std::span<const unsigned char> bytes);

}  // namespace dv

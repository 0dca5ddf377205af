// The simulated devices' journals: one line per operation, appended to
// ROOT/dev/NAME.log.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace dv {

void AppendJournal(std::string_view deviceName, std::string_view line);
// "in 8a 74 c0": input bytes in lower-case hex.
std::string HexBytes(std::span<const unsigned char> bytes);

}  // namespace dv

// The data side of a value line of the registry file: "text", dword:,
// hex: and hex(N):, or - for a value to remove.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/registry/RegistryTree.h"

namespace dv::regfile {

struct ParsedData {
    bool remove = false;
    RegValue value;
};

// Reads a quoted string at the start of s ("\\" and "\"" escaped); returns
// the text and moves s on past it.
std::optional<std::string> TakeQuoted(std::string_view& s);
// Everything after the '='; why says what is wrong when nothing comes back.
std::optional<ParsedData> ParseData(std::string_view s, std::string& why);

}  // namespace dv::regfile

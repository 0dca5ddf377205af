// What reading and writing the registry file share: its first line and root
// key, and REG_SZ data as UTF-16LE units and bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/WinDef.h"

namespace dv::regfile {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";

std::vector<char16_t> Utf8ToUnits(std::string_view text);
// A lone surrogate is carried over as it is.
std::string UnitsToUtf8(const std::vector<char16_t>& units);
std::vector<BYTE> UnitsToBytes(const std::vector<char16_t>& units);
// An odd last byte is left out.
std::vector<char16_t> BytesToUnits(const std::vector<BYTE>& bytes);

// Without spaces and tabs around it (and a carriage return at the end).
std::string_view Trim(std::string_view s);
// ASCII letters compared without case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

}  // namespace dv::regfile

// The registry file in the usual .reg text form:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\TOUCH]
//   "CalibrationData"="2030,2045 3605,3540 3598,560 490,552 502,3531"
//   "Pieces"=hex(7):61,00,00,00,62,00,00,00,00,00
//   "Blob"=hex:01,02,ff
//   "Count"=dword:0000002a
//
// Strings ("text", with \\ and \" escapes) are held as UTF-16LE with their
// terminator; hex(N): gives any type as raw bytes; @ names the default value.
// Reading is forgiving: a line that cannot be understood is reported and
// skipped, and the rest is still read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/RegistryTree.h"

namespace dv {

struct RegParseResult {
    RegistryTree tree;
    std::vector<std::string> problems;  // "line 7: ..." for each skipped line
};

RegParseResult ParseRegFile(std::string_view text);
std::string FormatRegFile(const RegistryTree& tree);

// UTF-16LE bytes of text with a terminating zero unit, as REG_SZ holds it.
std::vector<BYTE> StringValueBytes(std::string_view utf8Text);

}  // namespace dv

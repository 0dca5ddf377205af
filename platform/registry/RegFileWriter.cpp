// Writing the registry file: every key in order, strings as text where
// reading the text back gives the same data, everything else as hex.
#include <cstdio>
#include <optional>

#include "platform/WinReg.h"
#include "platform/registry/RegFileFormat.h"
#include "platform/registry/RegFileText.h"

namespace dv {
namespace {

using regfile::BytesToUnits;
using regfile::kHeader;
using regfile::kRootName;
using regfile::UnitsToUtf8;
using regfile::Utf8ToUnits;

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string HexList(const std::vector<BYTE>& data) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i != 0) {
            out.push_back(',');
        }
        out.push_back(kDigits[data[i] >> 4]);
        out.push_back(kDigits[data[i] & 0xF]);
    }
    return out;
}

// A string is written as text only when reading that text back gives the
// same units: one terminator at the end, no other zero, no line break, and
// nothing that UTF-8 cannot carry.
std::optional<std::string> AsText(const RegValue& value) {
    if (value.type != REG_SZ || value.data.size() < 2 || value.data.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<char16_t> units = BytesToUnits(value.data);
    if (units.back() != 0) {
        return std::nullopt;
    }
    units.pop_back();
    for (char16_t u : units) {
        if (u == 0 || u == '\r' || u == '\n') {
            return std::nullopt;
        }
    }
    std::string text = UnitsToUtf8(units);
    if (Utf8ToUnits(text) != units) {
        return std::nullopt;
    }
    return text;
}

std::string FormatData(const RegValue& value) {
    if (auto text = AsText(value)) {
        return Quote(*text);
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        uint32_t n = static_cast<uint32_t>(value.data[0]) | (value.data[1] << 8) |
                     (value.data[2] << 16) | (static_cast<uint32_t>(value.data[3]) << 24);
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08x", n);
        return buffer;
    }
    if (value.type == REG_BINARY) {
        return "hex:" + HexList(value.data);
    }
    char type[24];
    std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
    return type + HexList(value.data);
}

}  // namespace

std::string FormatRegFile(const RegistryTree& tree) {
    std::string out(kHeader);
    out += "\r\n";
    for (const RegKey* key : tree.Keys()) {
        out += "\r\n[" + std::string(kRootName);
        if (!key->path.empty()) {
            out += "\\" + key->path;
        }
        out += "]\r\n";
        for (const auto& [name, value] : key->values) {
            out +=
                (name.empty() ? std::string("@") : Quote(name)) + "=" + FormatData(value) + "\r\n";
        }
    }
    return out;
}

}  // namespace dv

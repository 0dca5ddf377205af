#include "platform/registry/RegFileValues.h"

#include "platform/WinReg.h"
#include "platform/registry/RegFileFormat.h"
#include "platform/registry/RegFileText.h"

namespace dv::regfile {
namespace {

constexpr std::string_view kDwordPrefix = "dword:";
constexpr std::string_view kHexPrefix = "hex";
constexpr std::size_t kMaxDwordDigits = 8;
constexpr std::size_t kMaxTypeDigits = 8;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<uint32_t> ParseHexNumber(std::string_view s, std::size_t maxDigits) {
    if (s.empty() || s.size() > maxDigits) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (char c : s) {
        int d = HexDigit(c);
        if (d < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<uint32_t>(d);
    }
    return value;
}

// "01,02, ff" (a trailing comma is allowed, as wrapped lines leave one).
std::optional<std::vector<BYTE>> ParseHexBytes(std::string_view s) {
    std::vector<BYTE> bytes;
    s = Trim(s);
    while (!s.empty()) {
        std::size_t comma = s.find(',');
        std::string_view token = Trim(s.substr(0, comma));
        auto value = ParseHexNumber(token, 2);
        if (!value) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<BYTE>(*value));
        if (comma == std::string_view::npos) {
            break;
        }
        s = Trim(s.substr(comma + 1));
    }
    return bytes;
}

}  // namespace

// Reads a quoted string at the start of s; returns the text and moves s on.
std::optional<std::string> TakeQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out.push_back(s[i + 1]);
            ++i;
        } else if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        } else {
            out.push_back(c);
        }
    }
    return std::nullopt;  // no closing quote
}

std::optional<ParsedData> ParseData(std::string_view s, std::string& why) {
    ParsedData out;
    if (s == "-") {
        out.remove = true;
        return out;
    }
    if (s.starts_with('"')) {
        auto text = TakeQuoted(s);
        if (!text || !Trim(s).empty()) {
            why = "string not closed by a quote";
            return std::nullopt;
        }
        out.value = RegValue{REG_SZ, StringValueBytes(*text)};
        return out;
    }
    if (StartsWithNoCase(s, kDwordPrefix)) {
        auto number = ParseHexNumber(Trim(s.substr(kDwordPrefix.size())), kMaxDwordDigits);
        if (!number) {
            why = "dword needs 1 to 8 hex digits";
            return std::nullopt;
        }
        out.value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i) {
            out.value.data.push_back(static_cast<BYTE>(*number >> (8 * i)));
        }
        return out;
    }
    if (StartsWithNoCase(s, kHexPrefix)) {
        s.remove_prefix(kHexPrefix.size());
        out.value.type = REG_BINARY;
        if (s.starts_with('(')) {
            std::size_t close = s.find(')');
            auto type = close == std::string_view::npos
                            ? std::nullopt
                            : ParseHexNumber(s.substr(1, close - 1), kMaxTypeDigits);
            if (!type) {
                why = "hex(N) needs a hex type number";
                return std::nullopt;
            }
            out.value.type = *type;
            s.remove_prefix(close + 1);
        }
        if (!s.starts_with(':')) {
            why = "hex data must follow a colon";
            return std::nullopt;
        }
        auto bytes = ParseHexBytes(s.substr(1));
        if (!bytes) {
            why = "hex data must be bytes like 0a,ff";
            return std::nullopt;
        }
        out.value.data = std::move(*bytes);
        return out;
    }
    why = "value is not a string, dword:, hex: or hex(N):";
    return std::nullopt;
}

}  // namespace dv::regfile

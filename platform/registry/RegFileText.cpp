#include "platform/registry/RegFileText.h"

#include "platform/Platform.h"

namespace dv::regfile {
namespace {

constexpr char16_t kHighSurrogateFirst = 0xD800;
constexpr char16_t kLowSurrogateFirst = 0xDC00;

}  // namespace

std::vector<char16_t> Utf8ToUnits(std::string_view text) {
    std::vector<char16_t> units;
    for (wchar_t wc : Utf8ToWide(text)) {
        auto c = static_cast<uint32_t>(wc);
        if (c >= 0x10000) {
            c -= 0x10000;
            units.push_back(static_cast<char16_t>(kHighSurrogateFirst + (c >> 10)));
            units.push_back(static_cast<char16_t>(kLowSurrogateFirst + (c & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(c));
        }
    }
    return units;
}

std::string UnitsToUtf8(const std::vector<char16_t>& units) {
    std::wstring wide;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        wide.push_back(static_cast<wchar_t>(c));
    }
    return WideToUtf8(wide);
}

std::vector<BYTE> UnitsToBytes(const std::vector<char16_t>& units) {
    std::vector<BYTE> bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t u : units) {
        bytes.push_back(static_cast<BYTE>(u & 0xFF));
        bytes.push_back(static_cast<BYTE>(u >> 8));
    }
    return bytes;
}

std::vector<char16_t> BytesToUnits(const std::vector<BYTE>& bytes) {
    std::vector<char16_t> units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return units;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i];
        char b = prefix[i];
        if (a >= 'a' && a <= 'z') {
            a = static_cast<char>(a - 32);
        }
        if (b >= 'a' && b <= 'z') {
            b = static_cast<char>(b - 32);
        }
        if (a != b) {
            return false;
        }
    }
    return true;
}

}  // namespace dv::regfile

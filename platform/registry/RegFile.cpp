#include "platform/registry/RegFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <span>
#include <utility>

#include "platform/Platform.h"
#include "platform/WinReg.h"

namespace dv {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kDwordPrefix = "dword:";
constexpr std::string_view kHexPrefix = "hex";
constexpr std::size_t kMaxHexDigits = 8;  // of a dword or a type
constexpr char kSeparator = '\\';

std::string Fold(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && Fold(text.substr(0, prefix.size())) == Fold(prefix);
}

// Without spaces and tabs around it, nor the line ending.
std::string_view Trim(std::string_view s) {
    s.remove_prefix(std::min(s.find_first_not_of(" \t"), s.size()));
    return s.substr(0, s.find_last_not_of(" \t\r\n") + 1);
}

// UTF-16LE bytes; an odd last byte is left out.
std::u16string BytesToUnits(std::span<const BYTE> bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return units;
}

std::optional<uint32_t> HexNumber(std::string_view s, std::size_t maxDigits) {
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, 16);
    if (s.empty() || s.size() > maxDigits || error != std::errc() || end != s.data() + s.size()) {
        return std::nullopt;
    }
    return value;
}

// "01,02, ff" (a trailing comma is allowed, as wrapped lines leave one).
std::optional<std::vector<BYTE>> HexBytes(std::string_view s) {
    std::vector<BYTE> bytes;
    for (s = Trim(s); !s.empty();) {
        const std::size_t comma = std::min(s.find(','), s.size());
        auto value = HexNumber(Trim(s.substr(0, comma)), 2);
        if (!value) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<BYTE>(*value));
        s = Trim(s.substr(std::min(comma + 1, s.size())));
    }
    return bytes;
}

// Reads a quoted string at the start of s ("\\" and "\"" escaped); returns
// the text and moves s on past it.
std::optional<std::string> TakeQuoted(std::string_view& s) {
    std::string out;
    for (std::size_t i = 1; s.starts_with('"') && i < s.size(); ++i) {
        if (s[i] == '"') {
            s.remove_prefix(i + 1);
            return out;
        }
        const bool escape =
            s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"');
        out.push_back(s[i += escape ? 1 : 0]);
    }
    return std::nullopt;  // no closing quote
}

// Everything after the '='; why says what is wrong when nothing comes back.
std::optional<RegValue> ParseData(std::string_view s, const char*& why) {
    std::optional<uint32_t> number;
    if (s.starts_with('"')) {
        auto text = TakeQuoted(s);
        why = "string not closed by a quote";
        return text && Trim(s).empty()
                   ? std::optional(RegValue{REG_SZ, RegFile::StringBytes(*text)})
                   : std::nullopt;
    }
    if (StartsWithNoCase(s, kDwordPrefix)) {
        why = "dword needs 1 to 8 hex digits";
        if (!(number = HexNumber(Trim(s.substr(kDwordPrefix.size())), kMaxHexDigits))) {
            return std::nullopt;
        }
        const uint32_t n = *number;
        return RegValue{REG_DWORD, {BYTE(n), BYTE(n >> 8), BYTE(n >> 16), BYTE(n >> 24)}};
    }
    why = "value is not a string, dword:, hex: or hex(N):";
    if (!StartsWithNoCase(s, kHexPrefix)) {
        return std::nullopt;
    }
    s.remove_prefix(kHexPrefix.size());
    number = REG_BINARY;
    if (s.starts_with('(')) {
        const std::size_t close = s.find(')');
        why = "hex(N) needs a hex type number";
        if (close == std::string_view::npos ||
            !(number = HexNumber(s.substr(1, close - 1), kMaxHexDigits))) {
            return std::nullopt;
        }
        s.remove_prefix(close + 1);
    }
    why = "hex data must follow a colon";
    if (!s.starts_with(':')) {
        return std::nullopt;
    }
    why = "hex data must be bytes like 0a,ff";
    auto bytes = HexBytes(s.substr(1));
    return bytes ? std::optional(RegValue{*number, std::move(*bytes)}) : std::nullopt;
}

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        out += c == '\\' || c == '"' ? std::string{'\\', c} : std::string{c};
    }
    return out + '"';
}

// A string is written as text only when reading that text back gives the
// same units: one terminator at the end, no other zero, no line break, and
// nothing that UTF-8 cannot carry.
std::optional<std::string> AsText(const RegValue& value) {
    std::u16string units = BytesToUnits(value.data);
    if (value.type != REG_SZ || value.data.size() % 2 != 0 || units.empty() || units.back() != 0) {
        return std::nullopt;
    }
    units.pop_back();
    std::string text = Utf16ToUtf8(units);
    if (units.find_first_of(std::u16string_view(u"\0\r\n", 3)) != std::u16string::npos ||
        Utf8ToUtf16(text) != units) {
        return std::nullopt;
    }
    return text;
}

// Strings as text where reading the text back gives the same data; anything
// else as hex(N), byte for byte.
std::string ValueLine(std::string_view name, const RegValue& value) {
    std::string out = (name.empty() ? "@" : Quote(name)) + "=";
    if (auto text = AsText(value)) {
        return out + Quote(*text) + std::string(kLineEnd);
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "hex(%x):", static_cast<unsigned>(value.type));
    out += hex;
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(hex, sizeof hex, "%s%02x", i == 0 ? "" : ",", value.data[i]);
        out += hex;
    }
    return out + std::string(kLineEnd);
}

}  // namespace

std::optional<std::string> RegFile::CheckPath(std::string_view path) {
    for (std::size_t start = 0, end = 0; !path.empty() && end != std::string_view::npos;
         start = end + 1) {
        end = path.find(kSeparator, start);
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part.find_first_of("\r\n") != std::string_view::npos) {
            return std::nullopt;
        }
    }
    return std::string(path);
}

std::vector<BYTE> RegFile::StringBytes(std::string_view utf8Text) {
    std::vector<BYTE> bytes;
    for (char16_t u : Utf8ToUtf16(utf8Text) + u'\0') {
        bytes.insert(bytes.end(), {static_cast<BYTE>(u & 0xFF), static_cast<BYTE>(u >> 8)});
    }
    return bytes;
}

RegFile RegFile::Parse(std::string_view fileText) {
    std::string text(fileText.substr(fileText.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0));
    if (fileText.starts_with(kUtf16Bom)) {  // read as the UTF-8 it stands for
        text = Utf16ToUtf8(BytesToUnits({reinterpret_cast<const BYTE*>(fileText.data()) + 2,
                                         fileText.size() - kUtf16Bom.size()}));
    }
    RegFile file;
    std::string logical, raw;
    for (std::size_t start = 0, number = 1, first = 1; start < text.size(); ++number) {
        const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
        const std::string_view physical(text.data() + start, end - start);
        std::string_view line = Trim(physical);
        // Long hex data is wrapped over lines ending in '\'.
        const bool goesOn = line.ends_with('\\') && !line.starts_with('[');
        raw += physical;
        logical += line.substr(0, line.size() - (goesOn ? 1 : 0));
        if (start = end; !goesOn || start == text.size()) {
            // A blank line ends a last line that goes on, as others may follow.
            raw += goesOn ? (raw.ends_with('\n') ? "\r\n" : "\r\n\r\n") : "";
            file.Read(first, logical, std::exchange(raw, {}));
            logical.clear();
            first = number + 1;
        }
    }
    return file;
}

void RegFile::Problem(std::size_t number, std::string_view why) {
    m_problems.push_back("line " + std::to_string(number) + ": " + std::string(why));
}

void RegFile::Read(std::size_t number, std::string_view text, std::string raw) {
    Line& line =
        m_lines.emplace_back(Line{.raw = std::move(raw), .section = text.starts_with('[')});
    if (text.empty() || text.front() == ';') {
        return;
    }
    if (!std::exchange(m_headerSeen, true)) {
        m_headerGood = text == kHeader || text == kOldHeader;
        if (!m_headerGood) {
            Problem(number, "first line is not \"" + std::string(kHeader) + "\"");
        }
        if (m_headerGood || !line.section) {
            return;
        }
    }
    if (const char* why = line.section ? ReadSection(text, line) : ReadValue(text, line)) {
        Problem(number, why);
    }
}

const char* RegFile::ReadSection(std::string_view text, Line& line) {
    m_inKey = false;
    m_sectionSkipped = true;
    if (!text.ends_with(']')) {
        return "section not closed by ]";
    }
    std::string_view inner = text.substr(1, text.size() - 2);
    line.deletes = inner.starts_with('-');
    inner.remove_prefix(line.deletes ? 1 : 0);
    const std::string_view rest = inner.substr(std::min(inner.size(), kRootName.size()));
    if (!StartsWithNoCase(inner, kRootName) || !(rest.empty() || rest.starts_with(kSeparator))) {
        return "only HKEY_LOCAL_MACHINE is kept";
    }
    if (!(line.key = CheckPath(rest.substr(rest.empty() ? 0 : 1)))) {
        return "key path has an empty part";
    }
    m_sectionSkipped = false;
    m_inKey = !line.deletes;
    m_key = *line.key;
    return nullptr;
}

const char* RegFile::ReadValue(std::string_view s, Line& line) {
    if (!m_inKey) {
        // Values of a skipped section go with it; its line was reported.
        return m_sectionSkipped ? nullptr : "value outside a section";
    }
    const bool isDefault = s.starts_with('@');
    std::optional<std::string> name = isDefault ? std::string() : TakeQuoted(s);
    if (!name) {
        return "value name must be quoted or @";
    }
    if (s = Trim(s.substr(isDefault ? 1 : 0)); !s.starts_with('=')) {
        return "= missing after the value name";
    }
    const char* why = nullptr;
    if (s = Trim(s.substr(1)); s != "-" && !(line.value = ParseData(s, why))) {
        return why;
    }
    line.key = m_key;
    line.name = std::move(name);
    return nullptr;
}

RegFile::Lookup RegFile::Look(std::string_view path, std::string_view name) const {
    const std::string folded = Fold(path), below = folded + kSeparator;
    Lookup found{.exists = path.empty()};  // the root always exists
    for (int i = 0; i < static_cast<int>(m_lines.size()); ++i) {
        const Line& line = m_lines[i];
        if (!line.key) {
            continue;
        }
        const std::string key = Fold(*line.key);
        if (line.deletes && (key.empty() || below.starts_with(key + kSeparator))) {
            found = Lookup{.exists = path.empty()};  // the key went, with a parent or alone
        } else if (line.section && !line.deletes) {
            found.exists = found.exists || key == folded || key.starts_with(below);
            found.section = key == folded ? i : found.section;
        } else if (!line.section && key == folded && Fold(*line.name) == Fold(name)) {
            found.value = i;
        }
    }
    return found;
}

bool RegFile::HasKey(std::string_view path) const {
    return Look(path, "").exists;
}

std::optional<RegValue> RegFile::Find(std::string_view path, std::string_view name) const {
    const Lookup found = Look(path, name);
    return found.value < 0 ? std::nullopt : m_lines[found.value].value;
}

void RegFile::CreateKey(std::string_view path) {
    for (std::size_t end = path.find(kSeparator);; end = path.find(kSeparator, end + 1)) {
        if (!HasKey(path.substr(0, end))) {
            InsertSection(path.substr(0, end));  // parents first, as a key never goes without them
        }
        if (end == std::string_view::npos) {
            return;
        }
    }
}

bool RegFile::Set(std::string_view path, std::string_view name, const RegValue& value) {
    Lookup found = Look(path, name);
    if (!found.exists) {
        return false;
    }
    if (found.value >= 0) {  // in place, under the name it was first given
        Line& line = m_lines[found.value];
        line.raw = ValueLine(*line.name, value);
        line.value = value;
        return true;
    }
    if (found.section < 0) {
        InsertSection(path);
        found = Look(path, name);
    }
    // After the last line of the key's section, before any blank lines.
    std::size_t at = found.section + 1;
    while (at < m_lines.size() && !m_lines[at].section) {
        ++at;
    }
    while (at > static_cast<std::size_t>(found.section) + 1 && Trim(m_lines[at - 1].raw).empty()) {
        --at;
    }
    Insert(at, Line{.raw = ValueLine(name, value),
                    .key = std::string(path),
                    .name = std::string(name),
                    .value = value});
    return true;
}

// At the end, after anything that might delete it.
void RegFile::InsertSection(std::string_view path) {
    if (m_lines.empty() || !Trim(m_lines.back().raw).empty()) {
        Insert(m_lines.size(), Line{.raw = std::string(kLineEnd)});
    }
    Insert(m_lines.size(), Line{.raw = "[" + std::string(kRootName) + (path.empty() ? "" : "\\") +
                                       std::string(path) + "]" + std::string(kLineEnd),
                                .section = true,
                                .key = std::string(path)});
}

void RegFile::Insert(std::size_t at, Line line) {
    if (at > 0 && !m_lines[at - 1].raw.ends_with('\n')) {
        m_lines[at - 1].raw += kLineEnd;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

std::string RegFile::Text() const {
    std::string out = m_headerGood ? "" : std::string(kHeader) + std::string(kLineEnd);
    for (const Line& line : m_lines) {
        out += line.raw;
    }
    return out;
}

}  // namespace dv

#include "platform/registry/RegFile.h"

#include <algorithm>
#include <utility>

#include "platform/Platform.h"

namespace dv {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";
constexpr std::string_view kLineEnd = "\r\n";
constexpr char kSeparator = '\\';
// The starts of data of other types, kept unread.
constexpr std::string_view kOtherTypes[] = {"dword:", "hex"};

std::string Fold(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return out;
}

// Without spaces and tabs around it, nor the line ending.
std::string_view Trim(std::string_view s) {
    s.remove_prefix(std::min(s.find_first_not_of(" \t"), s.size()));
    return s.substr(0, s.find_last_not_of(" \t\r\n") + 1);
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

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        out += c == '\\' || c == '"' ? std::string{'\\', c} : std::string{c};
    }
    return out + '"';
}

std::string ValueLine(std::string_view name, std::string_view text) {
    return (name.empty() ? "@" : Quote(name)) + "=" + Quote(text) + std::string(kLineEnd);
}

}  // namespace

std::optional<std::string> RegFile::CheckPath(std::string_view path) {
    const bool emptyPart = path.starts_with(kSeparator) || path.ends_with(kSeparator) ||
                           path.find("\\\\") != std::string_view::npos;
    if (emptyPart || path.find_first_of("\r\n") != std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(path);
}

RegFile RegFile::Parse(std::string_view fileText) {
    std::string text(fileText.substr(fileText.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0));
    if (fileText.starts_with(kUtf16Bom)) {  // read as the UTF-8 it stands for
        const auto* bytes = reinterpret_cast<const unsigned char*>(fileText.data());
        std::u16string units;
        for (std::size_t i = kUtf16Bom.size(); i + 1 < fileText.size(); i += 2) {
            units += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        }
        text = Utf16ToUtf8(units);
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

void RegFile::Problem(std::size_t number, std::string_view why) {
    m_problems.push_back("line " + std::to_string(number) + ": " + std::string(why));
}

const char* RegFile::ReadSection(std::string_view text, Line& line) {
    m_key.reset();
    m_sectionSeen = true;
    const std::string_view inner = text.substr(1, text.size() - 2);
    const std::string_view rest = inner.substr(std::min(inner.size(), kRootName.size()));
    if (!text.ends_with(']')) {
        return "section not closed by ]";
    }
    if (inner.starts_with('-')) {
        return nullptr;
    }
    if (!Fold(inner).starts_with(Fold(kRootName)) ||
        !(rest.empty() || rest.starts_with(kSeparator))) {
        return "only HKEY_LOCAL_MACHINE is kept";
    }
    if (!(line.key = CheckPath(rest.substr(rest.empty() ? 0 : 1)))) {
        return "key path has an empty part";
    }
    m_key = line.key;
    return nullptr;
}

const char* RegFile::ReadValue(std::string_view s, Line& line) {
    if (!m_key) {
        // Values of a section not read go with it.
        return m_sectionSeen ? nullptr : "value outside a section";
    }
    const bool isDefault = s.starts_with('@');
    std::optional<std::string> name = isDefault ? std::string() : TakeQuoted(s);
    if (!name) {
        return "value name must be quoted or @";
    }
    if (s = Trim(s.substr(isDefault ? 1 : 0)); !s.starts_with('=')) {
        return "= missing after the value name";
    }
    s = Trim(s.substr(1));
    const bool isString = s.starts_with('"');
    std::optional<std::string> text = TakeQuoted(s);
    if (isString && !(text && Trim(s).empty())) {
        return "string not closed by a quote";
    }
    const auto isOther = [&](std::string_view type) { return Fold(s).starts_with(type); };
    if (!isString && s != "-" && std::ranges::none_of(kOtherTypes, isOther)) {
        return "value is not a string, dword:, hex: or hex(N):";
    }
    line.key = m_key;
    line.name = std::move(name);
    line.text = std::move(text);
    return nullptr;
}

int RegFile::Last(std::string_view path, std::optional<std::string_view> name) const {
    const std::string folded = Fold(path);
    for (int i = static_cast<int>(m_lines.size()) - 1; i >= 0; --i) {
        const Line& line = m_lines[i];
        const bool isName = line.name && name && Fold(*line.name) == Fold(*name);
        if (line.key && Fold(*line.key) == folded && (name ? isName : line.section)) {
            return i;
        }
    }
    return -1;
}

bool RegFile::HasKey(std::string_view path) const {
    const std::string below = Fold(path) + kSeparator;
    return path.empty() || std::any_of(m_lines.begin(), m_lines.end(), [&](const Line& line) {
               return line.section && line.key && (Fold(*line.key) + kSeparator).starts_with(below);
           });
}

std::optional<std::string> RegFile::Find(std::string_view path, std::string_view name) const {
    const int line = Last(path, name);
    return line < 0 ? std::nullopt : m_lines[line].text;
}

// Parents first, as a key never goes without them.
void RegFile::CreateKey(std::string_view path) {
    if (HasKey(path)) {
        return;
    }
    if (const std::size_t parent = path.rfind(kSeparator); parent != std::string_view::npos) {
        CreateKey(path.substr(0, parent));
    }
    AddSection(path);
}

bool RegFile::Set(std::string_view path, std::string_view name, std::string_view text) {
    if (!HasKey(path)) {
        return false;
    }
    if (const int at = Last(path, name); at >= 0) {  // in place, under the name it was first given
        m_lines[at].raw = ValueLine(*m_lines[at].name, text);
        m_lines[at].text = std::string(text);
        return true;
    }
    if (Last(path, std::nullopt) < 0) {
        AddSection(path);
    }
    // After the last line of the key's section, before any blank lines.
    const std::size_t section = Last(path, std::nullopt);
    std::size_t at = section + 1;
    while (at < m_lines.size() && !m_lines[at].section) {
        ++at;
    }
    while (at > section + 1 && Trim(m_lines[at - 1].raw).empty()) {
        --at;
    }
    Insert(at, Line{.raw = ValueLine(name, text),
                    .key = std::string(path),
                    .name = std::string(name),
                    .text = std::string(text)});
    return true;
}

// At the end, after anything that might take it away.
void RegFile::AddSection(std::string_view path) {
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

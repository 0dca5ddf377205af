// Reading the registry file: forgiving line by line, a line that cannot be
// understood is reported and skipped (the writer is RegFileWriter.cpp).
#include "platform/registry/RegFileFormat.h"

#include <optional>

#include "platform/WinReg.h"
#include "platform/registry/RegFileText.h"
#include "platform/registry/RegFileValues.h"

namespace dv {
namespace {

using regfile::BytesToUnits;
using regfile::kHeader;
using regfile::kRootName;
using regfile::ParseData;
using regfile::ParsedData;
using regfile::StartsWithNoCase;
using regfile::TakeQuoted;
using regfile::Trim;
using regfile::UnitsToBytes;
using regfile::UnitsToUtf8;
using regfile::Utf8ToUnits;

constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";

// A file saved as UTF-16LE (with its mark) is read as the UTF-8 it stands for.
std::string DecodeFileText(std::string_view text) {
    if (text.starts_with(kUtf8Bom)) {
        return std::string(text.substr(kUtf8Bom.size()));
    }
    if (text.starts_with(kUtf16Bom)) {
        std::vector<BYTE> bytes(text.begin() + kUtf16Bom.size(), text.end());
        return UnitsToUtf8(BytesToUnits(bytes));
    }
    return std::string(text);
}

// ---- lines ----

struct Line {
    std::size_t number;
    std::string text;
};

// Splits into trimmed lines; a line ending in '\' goes on in the next one
// (long hex data is wrapped that way).
std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t number = 0;
    bool continuing = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        std::string_view raw = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        ++number;
        std::string_view line = Trim(raw);
        bool goesOn = !line.empty() && line.back() == '\\' && !line.starts_with("[");
        if (goesOn) {
            line.remove_suffix(1);
        }
        if (continuing) {
            lines.back().text += line;
        } else {
            lines.push_back(Line{number, std::string(line)});
        }
        continuing = goesOn;
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return lines;
}

// ---- sections ----

// The key path below HKEY_LOCAL_MACHINE, or nothing for another hive or a
// bad path.
std::optional<std::string> SectionPath(std::string_view inner, std::string& why) {
    if (!StartsWithNoCase(inner, kRootName)) {
        why = "only HKEY_LOCAL_MACHINE is kept";
        return std::nullopt;
    }
    std::string_view rest = inner.substr(kRootName.size());
    if (rest.empty()) {
        return std::string();
    }
    if (rest.front() != '\\') {
        why = "only HKEY_LOCAL_MACHINE is kept";
        return std::nullopt;
    }
    auto path = RegistryTree::CheckPath(rest.substr(1));
    if (!path) {
        why = "key path has an empty part";
    }
    return path;
}

class Parser {
public:
    RegParseResult Run(std::string_view text) {
        std::string decoded = DecodeFileText(text);
        std::vector<Line> lines = SplitLines(decoded);
        bool headerSeen = false;
        for (const Line& line : lines) {
            if (line.text.empty() || line.text.front() == ';') {
                continue;
            }
            if (!headerSeen) {
                headerSeen = true;
                if (line.text == kHeader || line.text == kOldHeader) {
                    continue;
                }
                Problem(line.number, "first line is not \"" + std::string(kHeader) + "\"");
                if (line.text.front() != '[') {
                    continue;
                }
            }
            if (line.text.front() == '[') {
                Section(line);
            } else {
                Value(line);
            }
        }
        return std::move(m_result);
    }

private:
    void Problem(std::size_t line, const std::string& why) {
        m_result.problems.push_back("line " + std::to_string(line) + ": " + why);
    }

    void Section(const Line& line) {
        m_inKey = false;
        m_sectionSkipped = true;
        std::string_view inner(line.text);
        if (inner.back() != ']') {
            Problem(line.number, "section not closed by ]");
            return;
        }
        inner = inner.substr(1, inner.size() - 2);
        bool remove = inner.starts_with('-');
        if (remove) {
            inner.remove_prefix(1);
        }
        std::string why;
        auto path = SectionPath(inner, why);
        if (!path) {
            Problem(line.number, why);
            return;
        }
        m_sectionSkipped = false;
        if (remove) {
            m_result.tree.DeleteKey(*path);
            return;
        }
        m_result.tree.CreateKey(*path);
        m_key = *path;
        m_inKey = true;
    }

    void Value(const Line& line) {
        if (!m_inKey) {
            // Values of a skipped section go with it; its line was reported.
            if (!m_sectionSkipped) {
                Problem(line.number, "value outside a section");
            }
            return;
        }
        std::string_view s(line.text);
        std::string name;
        if (s.starts_with('@')) {
            s.remove_prefix(1);
        } else {
            auto quoted = TakeQuoted(s);
            if (!quoted) {
                Problem(line.number, "value name must be quoted or @");
                return;
            }
            name = std::move(*quoted);
        }
        s = Trim(s);
        if (!s.starts_with('=')) {
            Problem(line.number, "= missing after the value name");
            return;
        }
        std::string why;
        auto data = ParseData(Trim(s.substr(1)), why);
        if (!data) {
            Problem(line.number, why);
            return;
        }
        if (data->remove) {
            m_result.tree.DeleteValue(m_key, name);
        } else {
            m_result.tree.SetValue(m_key, name, std::move(data->value));
        }
    }

    RegParseResult m_result;
    std::string m_key;
    bool m_inKey = false;
    bool m_sectionSkipped = false;
};

}  // namespace

std::vector<BYTE> StringValueBytes(std::string_view utf8Text) {
    std::vector<char16_t> units = Utf8ToUnits(utf8Text);
    units.push_back(0);
    return UnitsToBytes(units);
}

RegParseResult ParseRegFile(std::string_view text) {
    return Parser().Run(text);
}

}  // namespace dv

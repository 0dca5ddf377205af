// The registry file in the usual .reg text form (docs/device-root.md).
// Strings ("text", with \\ and \" escapes) are held as UTF-16LE with their
// terminator; dword:, hex: and hex(N): give other types; "Name"=- and [-KEY]
// delete; @ names the default value. Key paths are below HKEY_LOCAL_MACHINE
// ("" is the root), in UTF-8; they and value names ignore ASCII case and keep
// the case first given. A change rewrites or adds only the lines of what it
// sets: every other line is written back as it was read. Reading is
// forgiving: a line that cannot be understood is reported and skipped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinDef.h"

namespace dv {

struct RegValue {
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const RegValue&) const = default;
};

class RegFile {
public:
    // Reads a file's bytes: UTF-8, or UTF-16LE with its byte-order mark.
    static RegFile Parse(std::string_view fileText);
    // Checks a key path: no empty parts, no line breaks. Returns it as given.
    static std::optional<std::string> CheckPath(std::string_view path);
    // UTF-16LE bytes of text with a terminating zero unit, as REG_SZ holds it.
    static std::vector<BYTE> StringBytes(std::string_view utf8Text);

    // "line 7: REASON" for each line skipped.
    const std::vector<std::string>& Problems() const { return m_problems; }
    bool HasKey(std::string_view path) const;
    std::optional<RegValue> Find(std::string_view path, std::string_view name) const;
    // Adds the key and any missing parents.
    void CreateKey(std::string_view path);
    // False when the key does not exist.
    bool Set(std::string_view path, std::string_view name, const RegValue& value);
    // The whole file in UTF-8, lines written here ending in CR LF.
    std::string Text() const;

private:
    // A line as read, with the lines it goes on into (ending in '\').
    struct Line {
        std::string raw;  // verbatim, line endings included
        bool section = false;
        bool deletes = false;               // [-KEY]
        std::optional<std::string> key{};   // a section's key, or the key a value is in
        std::optional<std::string> name{};  // a value's
        std::optional<RegValue> value{};    // none for "Name"=-
    };
    struct Lookup {
        bool exists = false;
        int section = -1;  // the key's last own section since it last came to be
        int value = -1;    // the value's last line there
    };

    void Read(std::size_t number, std::string_view text, std::string raw);
    // Each says what is wrong with the line, or null.
    const char* ReadSection(std::string_view text, Line& line);
    const char* ReadValue(std::string_view text, Line& line);
    void Problem(std::size_t number, std::string_view why);
    Lookup Look(std::string_view path, std::string_view name) const;
    void InsertSection(std::string_view path);
    void Insert(std::size_t at, Line line);

    std::vector<Line> m_lines;
    std::vector<std::string> m_problems;
    // While reading: the header, and the section the lines are in.
    bool m_headerSeen = false;
    bool m_headerGood = false;
    bool m_inKey = false;
    bool m_sectionSkipped = false;
    std::string m_key;
};

}  // namespace dv

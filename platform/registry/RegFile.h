// The registry file in the usual .reg text form (docs/device-root.md). The
// unit stores strings only ("text", with \\ and \" escapes; @ names the
// default value), so only they are read; data of other types, "Name"=- and
// [-KEY] sections are kept as written, unread. Key paths are below
// HKEY_LOCAL_MACHINE ("" is the root); they and value names ignore ASCII case
// and keep the case first given. A change rewrites or adds only the lines of
// what it sets. A line that cannot be understood is reported and skipped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dv {

class RegFile {
public:
    // Reads a file's bytes: UTF-8, or UTF-16LE with its byte-order mark.
    static RegFile Parse(std::string_view fileText);
    // Checks a key path: no empty parts, no line breaks. Returns it as given.
    static std::optional<std::string> CheckPath(std::string_view path);

    // "line 7: REASON" for each line skipped.
    const std::vector<std::string>& Problems() const { return m_problems; }
    bool HasKey(std::string_view path) const;
    // A string value's text; none when missing or of another type.
    std::optional<std::string> Find(std::string_view path, std::string_view name) const;
    // Adds the key and any missing parents.
    void CreateKey(std::string_view path);
    // False when the key does not exist. The text holds no line break.
    bool Set(std::string_view path, std::string_view name, std::string_view text);
    // The whole file in UTF-8, lines written here ending in CR LF.
    std::string Text() const;

private:
    // A line as read, with the lines it goes on into (ending in '\').
    struct Line {
        std::string raw;  // verbatim, line endings included
        bool section = false;
        std::optional<std::string> key{};   // a section's key, or the key a value is in
        std::optional<std::string> name{};  // a value's
        std::optional<std::string> text{};  // a string value's
    };

    void Read(std::size_t number, std::string_view text, std::string raw);
    // Each says what is wrong with the line, or null.
    const char* ReadSection(std::string_view text, Line& line);
    const char* ReadValue(std::string_view text, Line& line);
    void Problem(std::size_t number, std::string_view why);
    // The index of the last line of the key's section, or of its value, or -1.
    int Last(std::string_view path, std::optional<std::string_view> name) const;
    void AddSection(std::string_view path);
    void Insert(std::size_t at, Line line);

    std::vector<Line> m_lines;
    std::vector<std::string> m_problems;
    // While reading: the header, and the section the lines are in.
    bool m_headerSeen = false;
    bool m_headerGood = false;
    bool m_sectionSeen = false;
    std::optional<std::string> m_key;
};

}  // namespace dv

// The keys and values of HKEY_LOCAL_MACHINE in memory. Key paths are given
// below the root ("HARDWARE\DEVICEMAP\TOUCH"; "" is the root itself), in
// UTF-8; paths and value names compare without regard to ASCII case and keep
// the case they were first given in.
#pragma once

#include <map>
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

struct RegKey {
    std::string path;
    std::vector<std::pair<std::string, RegValue>> values;  // in the order first set
};

class RegistryTree {
public:
    // Checks a key path: no empty parts, no line breaks. Returns it as given.
    static std::optional<std::string> CheckPath(std::string_view path);
    static std::string Join(std::string_view parent, std::string_view child);

    bool HasKey(std::string_view path) const;
    // Creates the key and any missing parents, unless it exists.
    void CreateKey(std::string_view path);
    // Removes the key with everything below it.
    void DeleteKey(std::string_view path);
    const RegValue* FindValue(std::string_view path, std::string_view name) const;
    // False when the key does not exist.
    bool SetValue(std::string_view path, std::string_view name, RegValue value);
    void DeleteValue(std::string_view path, std::string_view name);

    // Every key, parents before children, in a stable order.
    std::vector<const RegKey*> Keys() const;

    bool operator==(const RegistryTree& other) const;

private:
    static std::string Fold(std::string_view text);
    RegKey* Find(std::string_view path);
    const RegKey* Find(std::string_view path) const;

    std::map<std::string, RegKey> m_keys;  // by folded path
};

}  // namespace dv

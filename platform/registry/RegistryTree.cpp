#include "platform/registry/RegistryTree.h"

#include <algorithm>

namespace dv {
namespace {

constexpr char kSeparator = '\\';

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        return lower(x) == lower(y);
    });
}

}  // namespace

std::string RegistryTree::Fold(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + ('a' - 'A'));
        }
    }
    return out;
}

std::optional<std::string> RegistryTree::CheckPath(std::string_view path) {
    if (path.empty()) {
        return std::string();
    }
    std::size_t start = 0;
    for (;;) {
        std::size_t end = path.find(kSeparator, start);
        std::string_view part =
            path.substr(start, end == std::string_view::npos ? end : end - start);
        if (part.empty() || part.find_first_of("\r\n") != std::string_view::npos) {
            return std::nullopt;
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return std::string(path);
}

std::string RegistryTree::Join(std::string_view parent, std::string_view child) {
    if (parent.empty()) {
        return std::string(child);
    }
    if (child.empty()) {
        return std::string(parent);
    }
    return std::string(parent) + kSeparator + std::string(child);
}

RegKey* RegistryTree::Find(std::string_view path) {
    auto it = m_keys.find(Fold(path));
    return it == m_keys.end() ? nullptr : &it->second;
}

const RegKey* RegistryTree::Find(std::string_view path) const {
    auto it = m_keys.find(Fold(path));
    return it == m_keys.end() ? nullptr : &it->second;
}

bool RegistryTree::HasKey(std::string_view path) const {
    return path.empty() || Find(path);
}

void RegistryTree::CreateKey(std::string_view path) {
    if (path.empty()) {
        // The root always exists; it gets an entry of its own for its values.
        if (Find(path) == nullptr) {
            m_keys.emplace(std::string(), RegKey{});
        }
        return;
    }
    if (Find(path) != nullptr) {
        return;
    }
    // Parents first, as a key never exists without them.
    for (std::size_t pos = path.find(kSeparator); pos != std::string_view::npos;
         pos = path.find(kSeparator, pos + 1)) {
        std::string_view parent = path.substr(0, pos);
        if (Find(parent) == nullptr) {
            m_keys.emplace(Fold(parent), RegKey{std::string(parent), {}});
        }
    }
    m_keys.emplace(Fold(path), RegKey{std::string(path), {}});
}

void RegistryTree::DeleteKey(std::string_view path) {
    if (path.empty()) {
        m_keys.clear();
        return;
    }
    std::string folded = Fold(path);
    std::string below = folded + kSeparator;
    std::erase_if(m_keys, [&](const auto& entry) {
        return entry.first == folded || entry.first.starts_with(below);
    });
}

const RegValue* RegistryTree::FindValue(std::string_view path, std::string_view name) const {
    const RegKey* key = Find(path);
    if (key == nullptr) {
        return nullptr;
    }
    for (const auto& [valueName, value] : key->values) {
        if (SameName(valueName, name)) {
            return &value;
        }
    }
    return nullptr;
}

bool RegistryTree::SetValue(std::string_view path, std::string_view name, RegValue value) {
    if (path.empty()) {
        CreateKey(path);
    }
    RegKey* key = Find(path);
    if (key == nullptr) {
        return false;
    }
    for (auto& [valueName, existing] : key->values) {
        if (SameName(valueName, name)) {
            existing = std::move(value);
            return true;
        }
    }
    key->values.emplace_back(std::string(name), std::move(value));
    return true;
}

void RegistryTree::DeleteValue(std::string_view path, std::string_view name) {
    RegKey* key = Find(path);
    if (key == nullptr) {
        return;
    }
    std::erase_if(key->values, [&](const auto& entry) { return SameName(entry.first, name); });
}

std::vector<const RegKey*> RegistryTree::Keys() const {
    std::vector<const RegKey*> keys;
    keys.reserve(m_keys.size());
    for (const auto& [folded, key] : m_keys) {
        keys.push_back(&key);
    }
    // A parent's folded path is a prefix of its children's, so map order
    // already puts it first.
    return keys;
}

bool RegistryTree::operator==(const RegistryTree& other) const {
    if (m_keys.size() != other.m_keys.size()) {
        return false;
    }
    for (const auto& [folded, key] : m_keys) {
        const RegKey* theirs = other.Find(key.path);
        if (theirs == nullptr || theirs->values.size() != key.values.size()) {
            return false;
        }
        for (const auto& [name, value] : key.values) {
            const RegValue* v = other.FindValue(key.path, name);
            if (v == nullptr || !(*v == value)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace dv

// The values made last for a few keys, kept by one owner (a thread's): the
// platform names the same few files again at every tap. Every value is
// dropped when the context it was made in (the root, the runtime folder)
// changes.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace dv {

template <typename Key, typename Value, std::size_t Kept>
class RecentValues {
public:
    // The value for key, made by make() when it is not kept; the oldest goes
    // when Kept are.
    template <typename Make>
    const Value& Get(const std::string& context, const Key& key, Make make) {
        if (context != m_context) {
            m_recent.clear();
            m_context = context;
        }
        for (const auto& [kept, value] : m_recent) {
            if (kept == key) {
                return value;
            }
        }
        if (m_recent.size() == Kept) {
            m_recent.erase(m_recent.begin());
        }
        m_recent.emplace_back(key, make());
        return m_recent.back().second;
    }

private:
    std::string m_context;
    std::vector<std::pair<Key, Value>> m_recent;
};

}  // namespace dv

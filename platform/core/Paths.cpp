#include <unistd.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/core/RecentValues.h"

namespace dv {
namespace {

// More than the files the panel opens (record, click, registry, calibration,
// boot flag).
constexpr std::size_t kKeptHostPaths = 16;

std::filesystem::path EnvPath(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::filesystem::path(value)
                                                : std::filesystem::path();
}

// A path made from environment variables. It follows the environment at
// every call (tests and tools change it), but is built again only when one
// of the variables changed: every open of a device-root file asks for the
// root and the runtime folder. Each thread keeps its own, so no lock is
// held across a fork.
template <std::size_t N>
class EnvDerivedPath {
public:
    using Build = std::filesystem::path (*)();
    EnvDerivedPath(std::array<const char*, N> names, Build build)
        : m_names(names), m_build(build) {}

    std::filesystem::path Get() {
        if (!m_built || Changed()) {
            for (std::size_t i = 0; i < N; ++i) {
                const char* value = std::getenv(m_names[i]);
                m_values[i] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
            }
            m_value = m_build();
            m_built = true;
        }
        return m_value;
    }

private:
    bool Changed() const {
        for (std::size_t i = 0; i < N; ++i) {
            const char* value = std::getenv(m_names[i]);
            if ((value != nullptr) != m_values[i].has_value() ||
                (value != nullptr && *m_values[i] != value)) {
                return true;
            }
        }
        return false;
    }

    const std::array<const char*, N> m_names;
    const Build m_build;
    std::array<std::optional<std::string>, N> m_values;
    std::filesystem::path m_value;
    bool m_built = false;
};

std::filesystem::path BuildDeviceRoot() {
    if (auto root = EnvPath("DIALVANE_ROOT"); !root.empty()) {
        return root;
    }
    std::filesystem::path data = EnvPath("XDG_DATA_HOME");
    if (data.empty()) {
        std::filesystem::path home = EnvPath("HOME");
        data = (home.empty() ? std::filesystem::path("/tmp") : home) / ".local" / "share";
    }
    return data / "dialvane" / "unit";
}

std::filesystem::path BuildRuntimeDir() {
    if (auto dir = EnvPath("DIALVANE_RUNTIME"); !dir.empty()) {
        return dir;
    }
    if (auto xdg = EnvPath("XDG_RUNTIME_DIR"); !xdg.empty()) {
        return xdg / "dialvane";
    }
    return std::filesystem::path("/tmp") / ("dialvane-" + std::to_string(::getuid()));
}

}  // namespace

std::filesystem::path DeviceRoot() {
    thread_local EnvDerivedPath<3> root({"DIALVANE_ROOT", "XDG_DATA_HOME", "HOME"},
                                        BuildDeviceRoot);
    return root.Get();
}

namespace {

std::filesystem::path BuildHostPath(const std::filesystem::path& root, std::wstring_view unitPath) {
    std::string relative;
    for (char c : WideToUtf8(unitPath)) {
        relative.push_back(c == '\\' ? '/' : c);
    }
    // Unit paths are absolute on the unit; here they all hang below the root,
    // and no component may climb out of it.
    std::filesystem::path result = root;
    for (const auto& part : std::filesystem::path(relative)) {
        std::string s = part.string();
        if (s.empty() || s == "/" || s == "." || s == "..") {
            continue;
        }
        result /= part;
    }
    return result;
}

}  // namespace

// Kept by each thread for the current root: each translation is a dozen
// allocations.
std::filesystem::path UnitPathToHost(std::wstring_view unitPath) {
    thread_local RecentValues<std::wstring, std::filesystem::path, kKeptHostPaths> recent;
    const std::filesystem::path root = DeviceRoot();
    return recent.Get(root.native(), std::wstring(unitPath),
                      [&] { return BuildHostPath(root, unitPath); });
}

std::filesystem::path RuntimeDir() {
    thread_local EnvDerivedPath<2> dir({"DIALVANE_RUNTIME", "XDG_RUNTIME_DIR"}, BuildRuntimeDir);
    return dir.Get();
}

}  // namespace dv

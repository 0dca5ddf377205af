#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/Platform.h"

namespace dv {
namespace {

std::filesystem::path EnvPath(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::filesystem::path(value)
                                                : std::filesystem::path();
}

}  // namespace

std::filesystem::path DeviceRoot() {
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

std::filesystem::path UnitPathToHost(std::wstring_view unitPath) {
    std::string relative;
    for (char c : WideToUtf8(unitPath)) {
        relative.push_back(c == '\\' ? '/' : c);
    }
    // Unit paths are absolute on the unit; here they all hang below the root,
    // and no component may climb out of it.
    std::filesystem::path result = DeviceRoot();
    for (const auto& part : std::filesystem::path(relative)) {
        std::string s = part.string();
        if (s.empty() || s == "/" || s == "." || s == "..") {
            continue;
        }
        result /= part;
    }
    return result;
}

std::filesystem::path RuntimeDir() {
    if (auto dir = EnvPath("DIALVANE_RUNTIME"); !dir.empty()) {
        return dir;
    }
    if (auto xdg = EnvPath("XDG_RUNTIME_DIR"); !xdg.empty()) {
        return xdg / "dialvane";
    }
    return std::filesystem::path("/tmp") / ("dialvane-" + std::to_string(::getuid()));
}

}  // namespace dv

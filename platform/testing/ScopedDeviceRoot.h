// A device root of its own for one test: a fresh temporary folder named by
// DIALVANE_ROOT while the scope lives, removed afterwards (the previous
// DIALVANE_ROOT comes back).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace dv::testing {

class ScopedDeviceRoot {
public:
    enum class Shape {
        Empty,        // the root folder exists and holds nothing
        Missing,      // DIALVANE_ROOT names a folder that does not exist yet
        Provisioned,  // laid out as a unit leaves the factory
    };

    explicit ScopedDeviceRoot(Shape shape = Shape::Empty);
    ~ScopedDeviceRoot();
    ScopedDeviceRoot(const ScopedDeviceRoot&) = delete;
    ScopedDeviceRoot& operator=(const ScopedDeviceRoot&) = delete;

    const std::filesystem::path& Path() const { return m_root; }
    std::filesystem::path operator/(std::string_view relative) const { return m_root / relative; }

    // Helpers on paths relative to the root ("FlashMem/sysini/conf.ini").
    void MakeFolder(std::string_view relative) const;
    void WriteFile(std::string_view relative, std::string_view bytes) const;
    std::string ReadFile(std::string_view relative) const;
    bool Exists(std::string_view relative) const;

private:
    std::filesystem::path m_base;
    std::filesystem::path m_root;
    std::optional<std::string> m_previous;
};

}  // namespace dv::testing

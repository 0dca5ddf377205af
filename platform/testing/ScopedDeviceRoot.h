// A fresh temporary device root named by DIALVANE_ROOT while it lives, then
// removed and the previous DIALVANE_ROOT restored.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace dv::testing {

class ScopedDeviceRoot {
public:
    enum class Shape {
        Empty,        // the root folder exists and holds nothing
        Missing,      // DIALVANE_ROOT names a folder that does not exist yet
        Provisioned,  // laid out as a unit leaves the factory
    };

    explicit ScopedDeviceRoot(Shape shape = Shape::Empty)
        : m_base(MakeTempFolder()), m_root(m_base / "unit") {
        if (const char* previous = std::getenv(kVariable)) {
            m_previous = previous;
        }
        ::setenv(kVariable, m_root.c_str(), 1);
        if (shape == Shape::Empty) {
            std::filesystem::create_directory(m_root);
        } else if (shape == Shape::Provisioned) {
            ProvisionDeviceRoot();
        }
    }
    ~ScopedDeviceRoot() {
        m_previous ? ::setenv(kVariable, m_previous->c_str(), 1) : ::unsetenv(kVariable);
        std::error_code ec;
        std::filesystem::remove_all(m_base, ec);
    }
    ScopedDeviceRoot(const ScopedDeviceRoot&) = delete;
    ScopedDeviceRoot& operator=(const ScopedDeviceRoot&) = delete;

    const std::filesystem::path& Path() const { return m_root; }
    std::filesystem::path operator/(std::string_view relative) const { return m_root / relative; }

    // Helpers on paths relative to the root ("FlashMem/sysini/conf.ini").
    void MakeFolder(std::string_view relative) const {
        std::filesystem::create_directories(m_root / relative);
    }
    void WriteFile(std::string_view relative, std::string_view bytes) const {
        std::ofstream(m_root / relative, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string ReadFile(std::string_view relative) const {
        std::ostringstream text;
        text << std::ifstream(m_root / relative, std::ios::binary).rdbuf();
        return text.str();
    }
    bool Exists(std::string_view relative) const {
        std::error_code ec;
        return std::filesystem::exists(m_root / relative, ec);
    }

private:
    static constexpr const char* kVariable = "DIALVANE_ROOT";

    static std::filesystem::path MakeTempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "dialvane-root-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary folder");
        }
        return pattern;
    }

    std::filesystem::path m_base;
    std::filesystem::path m_root;
    std::optional<std::string> m_previous;
};

}  // namespace dv::testing

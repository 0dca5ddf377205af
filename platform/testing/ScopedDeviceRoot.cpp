#include "platform/testing/ScopedDeviceRoot.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "platform/Platform.h"

namespace dv::testing {
namespace {

constexpr const char* kVariable = "DIALVANE_ROOT";

std::filesystem::path MakeTempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "dialvane-root-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    return pattern;
}

}  // namespace

ScopedDeviceRoot::ScopedDeviceRoot(Shape shape) : m_base(MakeTempFolder()) {
    if (const char* previous = std::getenv(kVariable)) {
        m_previous = previous;
    }
    m_root = m_base / "unit";
    ::setenv(kVariable, m_root.c_str(), 1);
    if (shape == Shape::Empty) {
        std::filesystem::create_directory(m_root);
    } else if (shape == Shape::Provisioned) {
        ProvisionDeviceRoot();
    }
}

ScopedDeviceRoot::~ScopedDeviceRoot() {
    if (m_previous) {
        ::setenv(kVariable, m_previous->c_str(), 1);
    } else {
        ::unsetenv(kVariable);
    }
    std::error_code ec;
    std::filesystem::remove_all(m_base, ec);
}

void ScopedDeviceRoot::MakeFolder(std::string_view relative) const {
    std::filesystem::create_directories(m_root / relative);
}

void ScopedDeviceRoot::WriteFile(std::string_view relative, std::string_view bytes) const {
    std::ofstream out(m_root / relative, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ScopedDeviceRoot::ReadFile(std::string_view relative) const {
    std::ifstream in(m_root / relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ScopedDeviceRoot::Exists(std::string_view relative) const {
    std::error_code ec;
    return std::filesystem::exists(m_root / relative, ec);
}

}  // namespace dv::testing

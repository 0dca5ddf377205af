#include "platform/core/Journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/Platform.h"

namespace dv {

void AppendJournal(std::string_view deviceName, std::string_view line) {
    std::filesystem::path dir = DeviceRoot() / "dev";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::filesystem::path file = dir / (std::string(deviceName) + ".log");
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    std::string text(line);
    text.push_back('\n');
    [[maybe_unused]] ssize_t n = ::write(fd, text.data(), text.size());
    ::close(fd);
}

std::string HexBytes(std::span<const unsigned char> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty()) {
            out.push_back(' ');
        }
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 0xF]);
    }
    return out;
}

}  // namespace dv

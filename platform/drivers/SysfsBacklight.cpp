#include "platform/drivers/SysfsBacklight.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/core/DebugLog.h"
#include "platform/core/UniqueFd.h"

namespace dv {
namespace {

constexpr int kUnitLevelMax = 100;
constexpr std::size_t kValueCapacity = 32;

struct FolderState {
    bool announced = false;
    bool broken = false;
    int maxBrightness = 0;
};

std::mutex& StateLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

std::map<std::filesystem::path, FolderState>& States() {
    static auto* states = new std::map<std::filesystem::path, FolderState>;
    return *states;
}

// The non-negative integer in a sysfs attribute; errno says why not.
std::optional<int> ReadAttribute(const std::filesystem::path& file) {
    UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return std::nullopt;
    }
    char text[kValueCapacity];
    const ssize_t n = ::read(fd.Get(), text, sizeof text);
    if (n <= 0) {
        errno = n == 0 ? EINVAL : errno;
        return std::nullopt;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text, text + n, value);
    if (error != std::errc() || value < 0 || (end != text + n && *end != '\n')) {
        errno = EINVAL;
        return std::nullopt;
    }
    return value;
}

bool WriteAttribute(const std::filesystem::path& file, int value) {
    UniqueFd fd(::open(file.c_str(), O_WRONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return false;
    }
    const std::string text = std::to_string(value) + "\n";
    return ::write(fd.Get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

void GiveUp(const std::filesystem::path& folder, FolderState& state, const char* what) {
    const int error = errno;
    state.broken = true;
    WriteDebugText("BAK1: cannot use sysfs:" + folder.string() + " (" + what + ": " +
                   std::strerror(error) + "); the backlight stays simulated\r\n");
}

bool Announce(const std::filesystem::path& folder, FolderState& state) {
    const std::optional<int> max = ReadAttribute(folder / "max_brightness");
    if (!max || *max == 0) {
        errno = max ? EINVAL : errno;
        GiveUp(folder, state, "max_brightness");
        return false;
    }
    state.maxBrightness = *max;
    state.announced = true;
    const std::optional<int> actual = ReadAttribute(folder / "actual_brightness");
    WriteDebugText("BAK1: backlight bound to sysfs:" + folder.string() + " (max_brightness " +
                   std::to_string(*max) + ", actual_brightness " +
                   (actual ? std::to_string(*actual) : std::string("unknown")) + ")\r\n");
    return true;
}

}  // namespace

int ScaleBacklightLevel(int unitLevel, int maxBrightness) {
    if (unitLevel <= 0 || maxBrightness <= 0) {
        return 0;
    }
    const long long scaled =
        (static_cast<long long>(std::min(unitLevel, kUnitLevelMax)) * maxBrightness +
         kUnitLevelMax / 2) /
        kUnitLevelMax;
    return static_cast<int>(std::max(scaled, 1LL));
}

bool WriteSysfsBacklight(const std::filesystem::path& folder, int unitLevel) {
    std::lock_guard guard(StateLock());
    FolderState& state = States()[folder];
    if (state.broken || (!state.announced && !Announce(folder, state))) {
        return false;
    }
    if (!WriteAttribute(folder / "brightness",
                        ScaleBacklightLevel(unitLevel, state.maxBrightness))) {
        GiveUp(folder, state, "brightness");
        return false;
    }
    return true;
}

}  // namespace dv

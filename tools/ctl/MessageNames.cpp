#include "MessageNames.h"

#include <array>
#include <charconv>

#include "devices/LauncherProtocol.h"

namespace ctl {
namespace {

struct NamedMessage {
    std::string_view name;
    uint32_t value;
};

constexpr std::array<NamedMessage, 6> kNames{{
    {"UM_CLOSE_SETTINGS", UM_CLOSE_SETTINGS},
    {"UM_SETTINGS_PAGE", UM_SETTINGS_PAGE},
    {"UM_TOUCH_CAL", UM_TOUCH_CAL},
    {"WM_NULL", 0x0},
    {"WM_CLOSE", 0x10},
    {"WM_TIMER", 0x113},
}};

// What the stand-in launcher names when it prints a message.
constexpr std::array<std::string_view, 2> kLauncherNames{"UM_SETTINGS_PAGE", "UM_TOUCH_CAL"};

}  // namespace

std::optional<int64_t> ParseNumber(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    if (negative) {
        return -static_cast<int64_t>(value);
    }
    return static_cast<int64_t>(value);
}

std::optional<uint32_t> ParseMessage(std::string_view text) {
    for (const auto& named : kNames) {
        if (named.name == text) {
            return named.value;
        }
    }
    auto number = ParseNumber(text);
    if (!number || *number < 0 || *number > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(*number);
}

std::string LauncherName(uint32_t message) {
    for (const auto& named : kNames) {
        for (std::string_view known : kLauncherNames) {
            if (named.name == known && named.value == message) {
                return std::string(named.name);
            }
        }
    }
    return {};
}

}  // namespace ctl

#include "platform/core/DeviceBindings.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <system_error>

#include "platform/Platform.h"
#include "platform/core/DebugLog.h"

namespace dv {
namespace {

constexpr const char* kBindingsFile = "dev/bindings";

// The devices a line may name, and the kinds each can be bound to. A kind
// without a target is written alone ("WAV1 = sdl").
struct BindableDevice {
    std::string_view device;
    std::string_view kind;
    bool takesTarget;
};
constexpr BindableDevice kBindable[] = {
    {"BAK1", "sysfs", true},  {"WAV1", "pulse", true}, {"WAV1", "sdl", false},
    {"IIC1", "i2c", true},    {"FMT1", "v4l2", true},  {"FLS1", "mtd", true},
    {"TOUCH", "evdev", true},
};

// Kinds whose target has a form of its own, and what the line must then say.
struct TargetForm {
    std::string_view kind;
    bool (*fits)(std::string_view target);
    std::string_view expected;
};
constexpr TargetForm kTargetForms[] = {
    {"mtd", [](std::string_view t) { return SplitNodeAndOffset(t).has_value(); },
     "expected FLS1 = mtd:/dev/mtdN@OFFSET"},
};
constexpr std::string_view kKnownDevices[] = {"BAK1", "IIC1", "FMT1", "FLS1", "WAV1", "TOUCH"};

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool IsKnownDevice(std::string_view device) {
    for (std::string_view known : kKnownDevices) {
        if (known == device) {
            return true;
        }
    }
    return false;
}

const BindableDevice* FindBindable(std::string_view device, std::string_view kind) {
    for (const BindableDevice& b : kBindable) {
        if (b.device == device && b.kind == kind) {
            return &b;
        }
    }
    return nullptr;
}

// Why a "DEVICE = KIND:TARGET" line cannot be used; empty when it can.
std::string Refusal(std::string_view device, std::string_view kind, bool hasTarget,
                    std::string_view target) {
    if (!IsKnownDevice(device)) {
        return "no device \"" + std::string(device) + "\"";
    }
    const BindableDevice* bindable = FindBindable(device, kind);
    const bool bare = bindable != nullptr && !bindable->takesTarget;
    if (kind.empty() || (target.empty() && !bare)) {
        return "expected DEVICE = KIND:TARGET";
    }
    if (bindable == nullptr) {
        return std::string(device) + " cannot be bound to \"" + std::string(kind) + "\"";
    }
    if (bare && hasTarget) {
        return std::string(device) + " = " + std::string(kind) + " takes no target";
    }
    for (const TargetForm& form : kTargetForms) {
        if (form.kind == kind && !form.fits(target)) {
            return std::string(form.expected);
        }
    }
    return {};
}

struct BindingsCache {
    std::mutex lock;
    std::filesystem::path file;
    std::filesystem::file_time_type stamp{};
    std::uintmax_t size = 0;
    bool present = false;
    std::map<std::string, DeviceBinding> bindings;
};

BindingsCache& Cache() {
    static BindingsCache* cache = new BindingsCache;  // lives to the process end
    return *cache;
}

void Reload(BindingsCache& cache) {
    std::ifstream in(cache.file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string name = cache.file.string();
    cache.bindings = ParseDeviceBindings(text.str(), [&](int line, std::string_view why) {
        WriteDebugText(name + ":" + std::to_string(line) + ": " + std::string(why) +
                       "; line ignored\r\n");
    });
    for (auto& [device, binding] : cache.bindings) {
        binding.where = name + binding.where;
    }
}

}  // namespace

std::optional<std::pair<std::string, uint64_t>> SplitNodeAndOffset(std::string_view target) {
    const auto at = target.rfind('@');
    if (at == std::string_view::npos || at == 0) {
        return std::nullopt;
    }
    std::string_view digits = target.substr(at + 1);
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.remove_prefix(2);
        base = 16;
    }
    uint64_t offset = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), offset, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return std::pair{std::string(target.substr(0, at)), offset};
}

std::map<std::string, DeviceBinding> ParseDeviceBindings(std::string_view text,
                                                         const BindingComplaint& complain) {
    std::map<std::string, DeviceBinding> bindings;
    int number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        line = Trim(line.substr(0, line.find('#')));
        if (line.empty()) {
            continue;
        }
        const auto eq = line.find('=');
        const std::string_view device = Trim(line.substr(0, eq));
        const std::string_view value =
            eq == std::string_view::npos ? "" : Trim(line.substr(eq + 1));
        const auto colon = value.find(':');
        const std::string_view kind = value.substr(0, colon);
        const std::string_view target =
            colon == std::string_view::npos ? std::string_view{} : Trim(value.substr(colon + 1));
        const std::string why =
            eq == std::string_view::npos
                ? "expected DEVICE = KIND:TARGET"
                : Refusal(device, kind, colon != std::string_view::npos, target);
        if (!why.empty()) {
            complain(number, why);
            continue;
        }
        // Appended, not ":" + a temporary: GCC 12 at -O3 warns falsely (-Wrestrict) on that.
        std::string where(1, ':');
        where += std::to_string(number);
        bindings[std::string(device)] = {std::string(kind), std::string(target), where};
    }
    return bindings;
}

std::optional<DeviceBinding> FindDeviceBinding(std::string_view device) {
    BindingsCache& cache = Cache();
    std::lock_guard guard(cache.lock);
    const std::filesystem::path file = DeviceRoot() / kBindingsFile;
    std::error_code ec;
    const bool present = std::filesystem::is_regular_file(file, ec);
    const auto stamp =
        present ? std::filesystem::last_write_time(file, ec) : decltype(cache.stamp){};
    const auto size = present ? std::filesystem::file_size(file, ec) : 0;
    if (file != cache.file || present != cache.present || stamp != cache.stamp ||
        size != cache.size) {
        cache.file = file;
        cache.present = present;
        cache.stamp = stamp;
        cache.size = size;
        cache.bindings.clear();
        if (present) {
            Reload(cache);
        }
    }
    const auto it = cache.bindings.find(std::string(device));
    if (it == cache.bindings.end()) {
        return std::nullopt;
    }
    return it->second;
}

}  // namespace dv

// ROOT/dev/bindings: which devices of the unit drive a Linux interface
// instead of their simulation, one "DEVICE = KIND:TARGET" line each
// ("BAK1 = sysfs:/sys/class/backlight/intel_backlight", "WAV1 = sdl" for a
// kind without a target), '#' starting a comment. Without the file every device is simulated. The
// file is read again when it changes; each malformed line is logged once, by its number, and the
// rest of the file is still used.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace dv {

struct DeviceBinding {
    std::string kind;    // "sysfs", "pulse", "sdl", "i2c", "v4l2", "mtd"
    std::string target;  // "/sys/class/backlight/NAME", "default"; empty for "sdl"
    std::string where;   // the line it came from, "ROOT/dev/bindings:3"
};

using BindingComplaint = std::function<void(int lineNumber, std::string_view why)>;

std::map<std::string, DeviceBinding> ParseDeviceBindings(std::string_view text,
                                                         const BindingComplaint& complain);

// "/dev/mtd0@0x840800" (or a decimal offset) as the node and the offset.
std::optional<std::pair<std::string, uint64_t>> SplitNodeAndOffset(std::string_view target);

// The binding of `device` ("BAK1") in the current device root, if any.
std::optional<DeviceBinding> FindDeviceBinding(std::string_view device);

}  // namespace dv

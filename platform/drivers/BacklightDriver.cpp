#include "platform/drivers/BacklightDriver.h"

#include <string>

#include "platform/core/DeviceBindings.h"
#include "platform/drivers/SysfsBacklight.h"

namespace dv {
namespace {

constexpr DWORD kSetLevel = 0x2000;
constexpr std::size_t kLevelSize = 1;

}  // namespace

DWORD BacklightDriver::OnControl(DWORD code, std::span<const BYTE> input) {
    if (code != kSetLevel || input.size() != kLevelSize) {
        return ERROR_INVALID_PARAMETER;
    }
    std::string text = std::to_string(input[0]) + "\n";
    // The simulation's state and journal are kept whatever the binding:
    // integrators read them.
    if (const auto binding = FindDeviceBinding("BAK1")) {
        WriteSysfsBacklight(binding->target, input[0]);
    }
    return WriteState(".state", text) ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

}  // namespace dv

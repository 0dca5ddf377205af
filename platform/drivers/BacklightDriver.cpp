#include "platform/drivers/BacklightDriver.h"

#include <string>

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
    return WriteState(".state", text) ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

}  // namespace dv

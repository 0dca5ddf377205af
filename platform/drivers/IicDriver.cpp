#include "platform/drivers/IicDriver.h"

#include "platform/core/DeviceFolder.h"

namespace dv {
namespace {

constexpr DWORD kWrite = 0;
constexpr std::size_t kTransferSize = 3;
constexpr BYTE kChipAddress = 0x8A;
constexpr off_t kRegisterCount = 256;
constexpr std::string_view kRegisterFile = "IIC1.regs";

}  // namespace

DWORD IicDriver::OnControl(DWORD code, std::span<const BYTE> input) {
    if (code != kWrite || input.size() != kTransferSize) {
        return ERROR_INVALID_PARAMETER;
    }
    if (input[0] != kChipAddress) {
        return ERROR_GEN_FAILURE;  // nobody acknowledges that address
    }
    const BYTE value = input[2];
    if (!WriteDeviceStateAt(kRegisterFile, kRegisterCount, static_cast<off_t>(input[1]),
                            {&value, 1}, Freshness::SameSession)) {
        return ERROR_GEN_FAILURE;
    }
    return ERROR_SUCCESS;
}

}  // namespace dv

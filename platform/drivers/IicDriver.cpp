#include "platform/drivers/IicDriver.h"

#include "platform/core/DeviceBindings.h"
#include "platform/core/DeviceFolder.h"

namespace dv {
namespace {

constexpr DWORD kWrite = 0;
constexpr std::size_t kTransferSize = 3;
constexpr BYTE kChipAddress = 0x8A;
constexpr off_t kRegisterCount = 256;
constexpr std::string_view kRegisterFile = "IIC1.regs";

}  // namespace

DWORD IicDriver::OnOpen() {
    const auto binding = FindDeviceBinding("IIC1");
    if (!binding) {
        return ERROR_SUCCESS;
    }
    m_bus.emplace();
    const DWORD error = m_bus->Open(binding->target);
    if (error != ERROR_SUCCESS) {
        m_bus.reset();
    }
    return error;
}

DWORD IicDriver::OnControl(DWORD code, std::span<const BYTE> input) {
    if (code != kWrite || input.size() != kTransferSize) {
        return ERROR_INVALID_PARAMETER;
    }
    if (input[0] != kChipAddress) {
        // Simulated, nobody acknowledges that address; bound, it is not sent
        // to whatever chip may answer there.
        return m_bus ? ERROR_INVALID_PARAMETER : ERROR_GEN_FAILURE;
    }
    const BYTE value = input[2];
    if (m_bus) {
        if (const DWORD error = m_bus->WriteByteData(input[1], value); error != ERROR_SUCCESS) {
            return error;
        }
    }
    if (!WriteDeviceStateAt(kRegisterFile, kRegisterCount, static_cast<off_t>(input[1]),
                            {&value, 1}, Freshness::SameSession)) {
        return ERROR_GEN_FAILURE;
    }
    return ERROR_SUCCESS;
}

}  // namespace dv

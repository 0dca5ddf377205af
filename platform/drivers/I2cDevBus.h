// "IIC1:" bound to the kernel's i2c-dev node, /dev/i2c-N: the display chip is
// claimed at its 7-bit address with I2C_SLAVE (never I2C_SLAVE_FORCE: a chip a
// kernel driver holds is not taken from it) and each of the unit's transfers
// is one SMBus "write byte data", made with the I2C_SMBUS ioctl (on a bus that
// takes no SMBus calls, the same two bytes as one plain write).
#pragma once

#include <string>

#include "platform/WinBase.h"
#include "platform/core/UniqueFd.h"

namespace dv {

class I2cDevBus {
public:
    // The unit's bus address byte is the chip's 8-bit write address.
    static constexpr BYTE kUnitAddress = 0x8A;
    static constexpr int kChipAddress = kUnitAddress >> 1;

    // Opens the node and claims the chip; logs and answers the open's error.
    DWORD Open(const std::string& node);
    // One write byte data; a chip that does not acknowledge is logged.
    DWORD WriteByteData(BYTE reg, BYTE value);

private:
    std::string m_label;  // "i2c:/dev/i2c-1"
    UniqueFd m_fd;
};

}  // namespace dv

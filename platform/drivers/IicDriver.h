// "IIC1:", the I2C bus with the display chip at address 0x8A. Code 0 with
// {address, register, value} writes one of the chip's 256 registers, kept as
// 256 bytes in ROOT/dev/IIC1.regs. No other chip answers on the bus.
#pragma once

#include "platform/drivers/SimulatedDriver.h"

namespace dv {

class IicDriver final : public SimulatedDriver {
public:
    IicDriver() : SimulatedDriver("IIC1") {}

private:
    DWORD OnControl(DWORD code, std::span<const BYTE> input) override;
};

}  // namespace dv

// "IIC1:", the I2C bus with the display chip at address 0x8A. Code 0 with
// {address, register, value} writes one of the chip's 256 registers, kept as
// 256 bytes in ROOT/dev/IIC1.regs. No other chip answers on the bus. Bound to
// i2c-dev (ROOT/dev/bindings), each transfer also goes to the chip there, and
// the register file keeps what the chip took.
#pragma once

#include <optional>

#include "platform/drivers/I2cDevBus.h"
#include "platform/drivers/SimulatedDriver.h"

namespace dv {

class IicDriver final : public SimulatedDriver {
public:
    IicDriver() : SimulatedDriver("IIC1") {}

private:
    DWORD OnOpen() override;
    DWORD OnControl(DWORD code, std::span<const BYTE> input) override;
    void OnClose() override { m_bus.reset(); }

    std::optional<I2cDevBus> m_bus;
};

}  // namespace dv

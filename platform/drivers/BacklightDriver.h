// "BAK1:", the screen backlight. Code 0x2000 with one level byte sets the
// level, kept as text in ROOT/dev/BAK1.state; bound to the kernel's
// backlight class (ROOT/dev/bindings), it is also written there.
#pragma once

#include "platform/drivers/SimulatedDriver.h"

namespace dv {

class BacklightDriver final : public SimulatedDriver {
public:
    BacklightDriver() : SimulatedDriver("BAK1") {}

private:
    DWORD OnControl(DWORD code, std::span<const BYTE> input) override;
};

}  // namespace dv

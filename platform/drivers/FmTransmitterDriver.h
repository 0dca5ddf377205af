// "FMT1:", the FM transmitter. Code 2 with {1 = off, 0 = on} sets standby;
// code 1 with {MHz, tenths} tunes it. The state is kept as text in
// ROOT/dev/FMT1.state ("standby 1", "frequency 87.5").
#pragma once

#include "platform/drivers/SimulatedDriver.h"

namespace dv {

class FmTransmitterDriver final : public SimulatedDriver {
public:
    FmTransmitterDriver() : SimulatedDriver("FMT1") {}

private:
    DWORD OnControl(DWORD code, std::span<const BYTE> input) override;
    DWORD SetStandby(BYTE standby);
    DWORD SetFrequency(BYTE mhz, BYTE tenths);
    DWORD UpdateState(std::string_view key, std::string_view value);
};

}  // namespace dv

// "FMT1:", the FM transmitter. Code 2 with {1 = off, 0 = on} sets standby;
// code 1 with {MHz, tenths} tunes it. The state is kept as text in
// ROOT/dev/FMT1.state ("standby 1", "frequency 87.5"). Bound to a V4L2 radio
// modulator (ROOT/dev/bindings), each call also goes there, and the state
// file keeps what the modulator took.
#pragma once

#include <optional>

#include "platform/drivers/SimulatedDriver.h"
#include "platform/drivers/V4l2Modulator.h"

namespace dv {

class FmTransmitterDriver final : public SimulatedDriver {
public:
    FmTransmitterDriver() : SimulatedDriver("FMT1") {}

private:
    DWORD OnOpen() override;
    DWORD OnControl(DWORD code, std::span<const BYTE> input) override;
    void OnClose() override { m_modulator.reset(); }
    DWORD SetStandby(BYTE standby);
    DWORD SetFrequency(BYTE mhz, BYTE tenths);
    DWORD UpdateState(std::string_view key, std::string_view value);

    std::optional<V4l2Modulator> m_modulator;
};

}  // namespace dv

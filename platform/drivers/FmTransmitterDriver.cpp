#include "platform/drivers/FmTransmitterDriver.h"

#include <sstream>
#include <string>
#include <vector>

#include "platform/core/DeviceBindings.h"

namespace dv {
namespace {

constexpr DWORD kSetFrequency = 1;
constexpr DWORD kStandby = 2;
constexpr std::size_t kStandbySize = 1;
constexpr std::size_t kFrequencySize = 2;
constexpr BYTE kStandbyOn = 1;
constexpr BYTE kStandbyOff = 0;

}  // namespace

DWORD FmTransmitterDriver::OnOpen() {
    const auto binding = FindDeviceBinding("FMT1");
    if (!binding) {
        return ERROR_SUCCESS;
    }
    m_modulator.emplace();
    const DWORD error = m_modulator->Open(binding->target);
    if (error != ERROR_SUCCESS) {
        m_modulator.reset();
    }
    return error;
}

DWORD FmTransmitterDriver::OnControl(DWORD code, std::span<const BYTE> input) {
    if (code == kStandby && input.size() == kStandbySize) {
        return SetStandby(input[0]);
    }
    if (code == kSetFrequency && input.size() == kFrequencySize) {
        return SetFrequency(input[0], input[1]);
    }
    return ERROR_INVALID_PARAMETER;
}

DWORD FmTransmitterDriver::SetStandby(BYTE standby) {
    if (standby != kStandbyOn && standby != kStandbyOff) {
        return ERROR_INVALID_PARAMETER;
    }
    if (m_modulator) {
        if (const DWORD error = m_modulator->SetStandby(standby == kStandbyOn); error) {
            return error;
        }
    }
    return UpdateState("standby", std::to_string(standby));
}

// The simulated transmitter tunes to whatever it is given; range checks are
// the caller's business, as on the unit. A modulator refuses what is outside
// its range.
DWORD FmTransmitterDriver::SetFrequency(BYTE mhz, BYTE tenths) {
    if (m_modulator) {
        if (const DWORD error = m_modulator->SetFrequency(mhz, tenths); error) {
            return error;
        }
    }
    return UpdateState("frequency", std::to_string(mhz) + "." + std::to_string(tenths));
}

// Rewrites one "key value" line of the state file, keeping the others.
DWORD FmTransmitterDriver::UpdateState(std::string_view key, std::string_view value) {
    std::istringstream in(ReadStateText(StatePath(".state")));
    std::string out;
    bool replaced = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(std::string(key) + " ")) {
            line = std::string(key) + " " + std::string(value);
            replaced = true;
        }
        if (!line.empty()) {
            out += line + "\n";
        }
    }
    if (!replaced) {
        out += std::string(key) + " " + std::string(value) + "\n";
    }
    return WriteState(".state", out) ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

}  // namespace dv

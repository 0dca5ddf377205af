#include "platform/drivers/FmTransmitterDriver.h"

#include <sstream>
#include <string>
#include <vector>

namespace dv {
namespace {

constexpr DWORD kSetFrequency = 1;
constexpr DWORD kStandby = 2;
constexpr std::size_t kStandbySize = 1;
constexpr std::size_t kFrequencySize = 2;
constexpr BYTE kStandbyOn = 1;
constexpr BYTE kStandbyOff = 0;

}  // namespace

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
    return UpdateState("standby", std::to_string(standby));
}

// The transmitter tunes to whatever it is given; range checks are the
// caller's business, as on the unit.
DWORD FmTransmitterDriver::SetFrequency(BYTE mhz, BYTE tenths) {
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

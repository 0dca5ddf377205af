#include "platform/core/Journal.h"

#include <string>

namespace dv {

void AppendJournal(std::string_view deviceName, std::string_view lines, Freshness freshness) {
    AppendDeviceJournal(std::string(deviceName) + ".log", lines, freshness);
}

std::string HexBytes(std::span<const unsigned char> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        if (!out.empty()) {
            out.push_back(' ');
        }
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 0xF]);
    }
    return out;
}

}  // namespace dv

// Fuzzes the .reg reader and writer: any bytes must parse without a fault;
// written back they must read the same again, and a string set in them must
// read back as set while the values around it stay as they were.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/core/DebugLog.h"
#include "platform/registry/RegFile.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    dv::SetDebugLogToStderr(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr std::string_view kKey = "HARDWARE\\DEVICEMAP\\TOUCH";
    dv::RegFile file = dv::RegFile::Parse({reinterpret_cast<const char*>(data), size});
    const std::string written = file.Text();
    const auto neighbour = file.Find(kKey, "Other"), root = file.Find("", "");
    constexpr std::string_view kText = "1,\"2\"\\ 3";
    file.CreateKey(kKey);
    const bool set = file.Set(kKey, "calibrationdata", kText);
    const dv::RegFile changed = dv::RegFile::Parse(file.Text());
    if (dv::RegFile::Parse(written).Text() != written || !set || changed.Text() != file.Text() ||
        changed.Find(kKey, "CalibrationData") != kText ||
        changed.Find(kKey, "OTHER") != neighbour || changed.Find("", "") != root) {
        std::abort();
    }
    return 0;
}

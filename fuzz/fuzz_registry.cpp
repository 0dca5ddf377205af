// Fuzzes the .reg reader: any bytes must parse without a fault, and what it
// read must come back unchanged when written out and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/core/DebugLog.h"
#include "platform/registry/RegFileFormat.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    dv::SetDebugLogToStderr(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const dv::RegParseResult first =
        dv::ParseRegFile(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string written = dv::FormatRegFile(first.tree);
    const dv::RegParseResult second = dv::ParseRegFile(written);
    if (!second.problems.empty() || !(second.tree == first.tree) ||
        dv::FormatRegFile(second.tree) != written) {
        std::abort();
    }
    return 0;
}

// Fuzzes the .reg reader: any bytes must parse without a fault, and what it
// read must come back unchanged when written out and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/core/DebugLog.h"
#include "platform/registry/RegFileFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        dv::SetDebugLogToStderr(false);
        return true;
    }();
    (void)quiet;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    dv::RegParseResult first = dv::ParseRegFile(text);
    std::string written = dv::FormatRegFile(first.tree);
    dv::RegParseResult second = dv::ParseRegFile(written);
    if (!second.problems.empty() || !(second.tree == first.tree)) {
        std::abort();
    }
    if (dv::FormatRegFile(second.tree) != written) {
        std::abort();
    }
    return 0;
}

// Feeds arbitrary files to the wave loader: each input is written as
// \windows\fuzz.wav in a private device root and loaded with ReadWaveFile.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/core/DebugLog.h"
#include "platform/testing/ScopedDeviceRoot.h"
#include "sound/WaveFile.h"

namespace {

dv::testing::ScopedDeviceRoot g_root;  // removed when the process exits

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    g_root.MakeFolder("windows");
    dv::SetDebugLogToStderr(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    g_root.WriteFile("windows/fuzz.wav", {reinterpret_cast<const char*>(data), size});
    WAVEFORMATEX* format = nullptr;
    DWORD dataSize = 0;
    BYTE* samples = nullptr;
    if (ReadWaveFile(L"\\windows\\fuzz.wav", &format, &dataSize, &samples) == 0) {
        // Touch both ends of what was handed out, so a short buffer shows.
        volatile BYTE sink = reinterpret_cast<BYTE*>(format)[15];
        if (dataSize > 0) {
            sink = samples[0];
            sink = samples[dataSize - 1];
        }
        (void)sink;
        delete[] samples;
        delete[] reinterpret_cast<BYTE*>(format);
    }
    return 0;
}

// Feeds arbitrary files to the wave loader: each input is written as
// \windows\fuzz.wav in a private device root and loaded with ReadWaveFile.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/core/DebugLog.h"
#include "sound/WaveFile.h"

namespace {

std::filesystem::path g_base, g_file;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    char pattern[] = "/tmp/dialvane-fuzz-wave-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::abort();
    }
    g_base = pattern;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(g_base, ec);
    });
    const std::filesystem::path root = g_base / "unit";
    std::filesystem::create_directories(root / "windows");
    setenv("DIALVANE_ROOT", root.c_str(), 1);
    g_file = root / "windows" / "fuzz.wav";
    dv::SetDebugLogToStderr(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::ofstream(g_file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
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

// A private device root for each test with wave files built in memory, and
// the debug log captured.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/testing/LogCapture.h"

using Bytes = std::vector<uint8_t>;

inline void PutU16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutU32(Bytes& b, uint32_t v) {
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}

inline Bytes Chunk(const char (&code)[5], const Bytes& body, int64_t claimedSize = -1) {
    Bytes b(code, code + 4);
    PutU32(b, claimedSize < 0 ? static_cast<uint32_t>(body.size())
                              : static_cast<uint32_t>(claimedSize));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// A PCM format record of 16 bytes.
inline Bytes Fmt(uint16_t channels, uint32_t rate, uint16_t bits, int64_t avg = -1) {
    Bytes b;
    uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    PutU16(b, 1);
    PutU16(b, channels);
    PutU32(b, rate);
    PutU32(b, avg < 0 ? rate * align : static_cast<uint32_t>(avg));
    PutU16(b, align);
    PutU16(b, bits);
    return b;
}

// "RIFF", the size (by default: what follows it), "WAVE", then the chunks.
inline Bytes Riff(const std::vector<Bytes>& chunks, int64_t riffSize = -1) {
    Bytes body{'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks) {
        body.insert(body.end(), c.begin(), c.end());
    }
    Bytes b{'R', 'I', 'F', 'F'};
    PutU32(b, riffSize < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(riffSize));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

inline Bytes Ramp(std::size_t count) {
    Bytes b(count);
    for (std::size_t i = 0; i < count; ++i) {
        b[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    return b;
}

class WaveTestRoot : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/dialvane-sound-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_base = pattern;
        std::filesystem::create_directories(m_base / "unit" / "windows");
        setenv("DIALVANE_ROOT", (m_base / "unit").c_str(), 1);
    }

    void TearDown() override { std::filesystem::remove_all(m_base); }

    // Writes ROOT/windows/<name> and returns its unit path.
    std::wstring Put(const std::string& name, const Bytes& bytes) const {
        std::ofstream out(m_base / "unit" / "windows" / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return L"\\windows\\" + std::wstring(name.begin(), name.end());
    }

    std::filesystem::path m_base;
    dv::testing::LogCapture m_log;
};

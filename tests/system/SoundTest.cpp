// The click sound: wave files built byte by byte, every failed load and device
// failure with its exact log lines; each path closes the file and event it opened.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>
#include <sstream>
#include <tuple>

#include "platform/core/KernelObject.h"
#include "platform/testing/FakeWaveOut.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/ScopedDeviceRoot.h"
#include "sound/WaveFile.h"
#include "sound/WavePlayer.h"

namespace {

using Bytes = std::vector<uint8_t>;
using dv::testing::WaveCall;

void Put32(Bytes& b, uint32_t v) {  // little-endian
    b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

Bytes Chunk(const char (&code)[5], const Bytes& body, int64_t claimed = -1) {
    Bytes b(code, code + 4);
    Put32(b, static_cast<uint32_t>(claimed < 0 ? static_cast<int64_t>(body.size()) : claimed));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// A 16-byte PCM format record: 8-bit mono at rate, avg bytes a second as given.
Bytes Fmt(uint32_t rate, int64_t avg = -1) {
    Bytes b{1, 0, 1, 0};
    Put32(b, rate);
    Put32(b, static_cast<uint32_t>(avg < 0 ? rate : avg));
    b.insert(b.end(), {1, 0, 8, 0});
    return b;
}

Bytes Riff(const std::vector<Bytes>& chunks, int64_t size = -1) {
    Bytes body{'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks) {
        body.insert(body.end(), c.begin(), c.end());
    }
    return Chunk("RIFF", body, size);
}

std::vector<std::string> Split(const std::string& words) {
    std::istringstream in(words);
    return {std::istream_iterator<std::string>(in), {}};
}

Bytes Ramp(std::size_t n) {
    Bytes b(n);
    std::ranges::generate(b, [i = 0]() mutable { return static_cast<uint8_t>(i++ * 7 + 1); });
    return b;
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override { m_root.MakeFolder("windows"); }
    void TearDown() override { EXPECT_EQ(dv::OpenHandleCount(), m_handles); }

    std::wstring Put(const std::string& name, const Bytes& bytes) {
        m_root.WriteFile("windows/" + name,
                         {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
        return L"\\windows\\" + std::wstring(name.begin(), name.end());
    }

    dv::testing::ScopedDeviceRoot m_root;
    dv::testing::LogCapture m_log;
    dv::testing::FakeWaveOut m_device;
    std::size_t m_handles = dv::OpenHandleCount();
};

TEST_F(SoundTest, LoadsFormatAndSamplesSkippingOtherChunksWithoutPadding) {
    auto load = [&](const std::string& name, const Bytes& file) {
        const auto path = Put(name, file);
        auto [format, size, data] = std::tuple<WAVEFORMATEX*, DWORD, BYTE*>();
        EXPECT_EQ(ReadWaveFile(path.c_str(), &format, &size, &data), 0) << name;
        auto* fmt = reinterpret_cast<BYTE*>(format);
        std::pair<Bytes, Bytes> out{Bytes(fmt, fmt + (fmt ? 16 : 0)), Bytes(data, data + size)};
        delete[] data;
        delete[] fmt;
        return out;
    };
    const Bytes samples = Ramp(101);
    // Odd sizes: a pad byte skipped after them would misplace the next chunk.
    EXPECT_EQ(load("ok.wav",
                   Riff({Chunk("junk", Ramp(3)), Chunk("fmt ", Fmt(11025)), Chunk("LIST", Ramp(9)),
                         Chunk("data", samples), Chunk("cue ", Ramp(4))})),
              std::pair(Fmt(11025), samples));
    // Only a count of exactly zero ends the scan: one byte short of the
    // skipped chunk's end, the count wraps and the chunks after it are read.
    const auto understated =
        Riff({Chunk("junk", Ramp(5)), Chunk("fmt ", Fmt(8000)), Chunk("data", samples)}, 14);
    EXPECT_EQ(load("understated.wav", understated), std::pair(Fmt(8000), samples));
    // An empty data chunk that ends the file is read as no samples.
    EXPECT_EQ(load("empty.wav", Riff({Chunk("fmt ", Fmt(8000)), Chunk("data", {})})),
              std::pair(Fmt(8000), Bytes{}));
    EXPECT_EQ(m_log.Text(), "");
}

TEST_F(SoundTest, RemainingCountFallsByEveryByteReadOrSkipped) {
    const auto path =
        Put("count.wav",
            Riff({Chunk("junk", Ramp(5)), Chunk("fmt ", Fmt(8000)), Chunk("data", Ramp(20))}));
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    uint8_t header[12];
    DWORD remaining = 0;
    EXPECT_TRUE(ReadFile(h, header, 12, &remaining, nullptr));
    std::memcpy(&remaining, header + 4, 4);
    ASSERT_EQ(remaining, 4u + 13 + 24 + 28);
    BYTE* buffer = nullptr;
    DWORD size = 0;
    ASSERT_EQ(ReadChunk(h, FOURCC_FMT, &buffer, &size, &remaining), 1);
    EXPECT_EQ(std::pair(size, remaining), std::pair(16u, 4u + 28));
    delete[] buffer;
    ASSERT_EQ(ReadChunk(h, FOURCC_DATA, &buffer, &size, &remaining), 1);
    delete[] buffer;
    EXPECT_EQ(remaining, 4u);  // "WAVE" counts in the RIFF size but is read with the header
    buffer = reinterpret_cast<BYTE*>(0x1);
    EXPECT_EQ(ReadChunk(h, FOURCC_DATA, &buffer, &size, &remaining), 0);
    EXPECT_EQ(std::pair(buffer, size), std::pair(reinterpret_cast<BYTE*>(0x1), 20u));
    DWORD exhausted = 0;  // a count that runs out before the chunk ends the scan without a line
    EXPECT_EQ(ReadChunk(h, FOURCC_DATA, &buffer, &size, &exhausted), 0);
    DWORD none = 8;
    EXPECT_EQ(ReadChunk(h, FOURCC_DATA, nullptr, &size, &none), 0);
    EXPECT_EQ(ReadChunk(h, FOURCC_DATA, &buffer, nullptr, &none), 0);
    EXPECT_EQ(ReadChunk(h, FOURCC_DATA, &buffer, &size, nullptr), 0);
    EXPECT_EQ(none, 8u);
    const std::string invalid = "Invalid parameter to ReadChunk()\r\n";
    EXPECT_EQ(m_log.Text(), "Error reading chunk header\n" + invalid + invalid + invalid + invalid);
    CloseHandle(h);
}

TEST_F(SoundTest, EveryFailedLoadIsLoggedWithNoOtherEffect) {
    const Bytes fmt = Fmt(22050);
    const Bytes data = Chunk("data", Ramp(8));
    Bytes cut = Riff({Chunk("fmt ", fmt)});
    cut.resize(cut.size() - 6);
    const std::string noFormat = "Unable to read format chunk\r\n";
    const std::tuple<const char*, Bytes, std::string> kBadFiles[] = {
        {"short.wav", Chunk("RIFF", {'W', 'A', 'V'}, 4), "Error reading file header\n"},
        {"rifx.wav", Chunk("RIFX", {'W', 'A', 'V', 'E'}), "Invalid wave file header\n"},
        {"wavx.wav", Chunk("RIFF", {'W', 'A', 'V', 'X'}), "Invalid wave file header\n"},
        {"nodata.wav", Riff({Chunk("fmt ", fmt), Chunk("LIST", Ramp(6))}),
         "Error reading chunk header\n"},
        {"nofmt.wav", Riff({data}), "Error reading chunk header\n" + noFormat},
        {"riff0.wav", Riff({Chunk("fmt ", fmt), data}, 0),
         "Invalid parameter to ReadChunk()\r\n" + noFormat},
        {"fmt14.wav", Riff({Chunk("fmt ", Bytes(fmt.begin(), fmt.begin() + 14)), data}),
         "Format record too small\r\n"},
        {"fmtcut.wav", cut, "Unable to read chunk data\r\n" + noFormat},
        // 2 GB claimed in a 60-byte file: refused before any allocation.
        {"overclaim.wav", Riff({Chunk("fmt ", fmt), Chunk("data", Ramp(8), 0x7FFFFFF0)}),
         "Unable to read chunk data\r\n"},
        {"avg0.wav", Riff({Chunk("fmt ", Fmt(22050, 0)), data}),
         "Invalid average bytes per second\r\n"},
        // A skip of nearly 4 GB must not become a step back to the same header.
        {"hugeskip.wav", Riff({Chunk("junk", {}, 0xFFFFFFF8), Chunk("fmt ", fmt), data}),
         "Error setting file pointer while scanning for chunk\n" + noFormat},
        {"bigskip.wav", Riff({Chunk("junk", {}, 0x90000000), Chunk("fmt ", fmt), data}),
         "Error reading chunk header\n" + noFormat},
        // The RIFF size runs out exactly at the end of the skipped chunk.
        {"riffshort.wav", Riff({Chunk("junk", Ramp(5)), Chunk("fmt ", fmt), data}, 13), noFormat},
    };
    // The outputs' values before a load, which a failed load must leave.
    const auto kUntouched = std::tuple(reinterpret_cast<WAVEFORMATEX*>(0x10), DWORD{0x20},
                                       reinterpret_cast<BYTE*>(0x30));
    for (const auto& [name, bytes, log] : kBadFiles) {
        const auto path = Put(name, bytes);
        m_log.Clear();
        auto [format, size, data] = kUntouched;
        EXPECT_EQ(ReadWaveFile(path.c_str(), &format, &size, &data), 1) << name;
        EXPECT_EQ(m_log.Text(), log) << name;
        EXPECT_EQ(std::tuple(format, size, data), kUntouched) << name;
        m_log.Clear();
        PlayWaveFile(path.c_str());
        EXPECT_EQ(m_log.Text(), log + "ReadWaveFile failed. mr=00000001\r\n") << name;
    }
    m_log.Clear();
    PlayWaveFile(L"\\windows\\missing.wav");
    EXPECT_EQ(m_log.Text(),
              "Error opening \\windows\\missing.wav. Error code = 0x00000002\n"
              "ReadWaveFile failed. mr=00000001\r\n");
    const auto path = Put("ok.wav", Riff({Chunk("fmt ", fmt), data}));
    auto [format, size, samples] = kUntouched;
    m_log.Clear();
    EXPECT_EQ(ReadWaveFile(nullptr, &format, &size, &samples), 1);
    EXPECT_EQ(ReadWaveFile(path.c_str(), nullptr, &size, &samples), 1);
    EXPECT_EQ(ReadWaveFile(path.c_str(), &format, nullptr, &samples), 1);
    EXPECT_EQ(ReadWaveFile(path.c_str(), &format, &size, nullptr), 1);
    const std::string invalid = "Invalid parameter to ReadWaveFile()\r\n";
    EXPECT_EQ(m_log.Text(), invalid + invalid + invalid + invalid);
    EXPECT_TRUE(m_device.Calls().empty());
}

TEST_F(SoundTest, PlaybackReleasesWhatItOpenedPastAnyDeviceFailure) {
    const Bytes samples = Ramp(80);
    const auto path = Put("click.wav", Riff({Chunk("fmt ", Fmt(8000)), Chunk("data", samples)}));
    PlayWaveFile(path.c_str());
    EXPECT_EQ(m_log.Text(), "");
    EXPECT_EQ(std::tuple(m_device.Calls(), m_device.LastOpen(), m_device.OpenHandles()),
              std::tuple(Split("open prepare write unprepare close"),
                         "device 0 flags 0x50000 event instance 0", 0));
    EXPECT_EQ(std::pair(m_device.LastFormat(), m_device.Written()), std::pair(Fmt(8000), samples));
    // clang-format off
    const std::tuple<WaveCall, MMRESULT, const char*, const char*> kFailures[] = {
        {WaveCall::Open, MMSYSERR_ALLOCATED, "waveOutOpen failed. mr=00000004", "open"},
        {WaveCall::Prepare, MMSYSERR_NOMEM, "waveOutPrepareHeader failed. mr=00000007",
         "open prepare close"},
        // A failed write leaves the header prepared: no unprepare follows.
        {WaveCall::Write, MMSYSERR_INVALPARAM, "waveOutWrite failed. mr=0000000b",
         "open prepare write close"},
        {WaveCall::Unprepare, WAVERR_STILLPLAYING, "waveOutUnprepareHeader failed. mr=00000021",
         "open prepare write unprepare close"},
        {WaveCall::Close, MMSYSERR_INVALHANDLE, "waveOutClose failed. mr=00000005",
         "open prepare write unprepare close"},
        // A device that never finishes is taken back after the sound plus one second (10 ms
        // for these 80 bytes), before the buffer is unprepared and freed.
        {WaveCall::Reset, MMSYSERR_ERROR, "Timeout waiting for playback to complete\r\n"
         "waveOutReset failed. mr=00000001\r\nwaveOutUnprepareHeader failed. mr=00000021\r\n"
         "waveOutClose failed. mr=00000021", "open prepare write reset unprepare close"},
    };
    // clang-format on
    for (const auto& [call, code, log, calls] : kFailures) {
        dv::testing::FakeWaveOut device;
        device.FailCall(call, code, call == WaveCall::Reset);
        m_log.Clear();
        const auto start = std::chrono::steady_clock::now();
        PlayWaveFile(path.c_str());
        EXPECT_GE(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(call == WaveCall::Reset ? 1005 : 0));
        EXPECT_EQ(m_log.Text(), std::string(log) + "\r\n");
        EXPECT_EQ(device.Calls(), Split(calls)) << log;
        // A failed close, itself or after a failed reset, leaves the device open.
        EXPECT_EQ(device.OpenHandles(), call == WaveCall::Close || call == WaveCall::Reset) << log;
    }
}

TEST(PlaybackWaitMs, IsTheLengthPlusOneSecondWithoutOverflow) {
    EXPECT_EQ(PlaybackWaitMs(2646, 44100), 1060u);  // truncated, not rounded
    EXPECT_EQ(PlaybackWaitMs(5000000, 5000000), 2000u);
    EXPECT_EQ(PlaybackWaitMs(0xFFFFFFFFu, 1), 0xFFFFFFFEu);  // never INFINITE
}

}  // namespace

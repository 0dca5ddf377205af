// Loading wave files: chunk scanning, the remaining count, and every way a
// load fails, with the exact log lines.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/WinBase.h"
#include "platform/core/KernelObject.h"
#include "platform/testing/FakeWaveOut.h"
#include "sound/WavePlayer.h"
#include "tests/sound/WaveTestRoot.h"

namespace {

class WaveFileTest : public WaveTestRoot {
protected:
    HANDLE OpenForRead(const std::wstring& path) {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        return h;
    }

    // Reads past the 12-byte file header; returns the RIFF size.
    DWORD SkipFileHeader(HANDLE h) {
        uint8_t header[12];
        DWORD read = 0;
        EXPECT_TRUE(ReadFile(h, header, 12, &read, nullptr));
        DWORD riffSize;
        std::memcpy(&riffSize, header + 4, 4);
        return riffSize;
    }
};

TEST_F(WaveFileTest, LoadsFormatAndSamplesAndSkipsOtherChunksWithoutPadding) {
    Bytes fmt = Fmt(2, 11025, 8);
    Bytes samples = Ramp(101);
    // Odd-sized chunks: a pad byte skipped after them would misplace the next.
    auto path =
        Put("ok.wav", Riff({Chunk("junk", Ramp(3)), Chunk("fmt ", fmt), Chunk("LIST", Ramp(9)),
                            Chunk("data", samples), Chunk("cue ", Ramp(4))}));
    WAVEFORMATEX* format = nullptr;
    DWORD size = 0;
    BYTE* data = nullptr;
    ASSERT_EQ(ReadWaveFile(path.c_str(), &format, &size, &data), 0);
    EXPECT_EQ(Bytes(reinterpret_cast<BYTE*>(format), reinterpret_cast<BYTE*>(format) + 16), fmt);
    ASSERT_EQ(size, samples.size());
    EXPECT_EQ(Bytes(data, data + size), samples);
    delete[] data;
    delete[] reinterpret_cast<BYTE*>(format);
    EXPECT_EQ(m_log.Text(), "");
}

TEST_F(WaveFileTest, RemainingCountFallsByEveryByteReadOrSkipped) {
    auto path = Put("count.wav", Riff({Chunk("junk", Ramp(5)), Chunk("fmt ", Fmt(1, 8000, 8)),
                                       Chunk("data", Ramp(20))}));
    HANDLE h = OpenForRead(path);
    DWORD remaining = SkipFileHeader(h);
    ASSERT_EQ(remaining, 4u + 13 + 24 + 28);
    BYTE* buffer = nullptr;
    DWORD size = 0;
    ASSERT_EQ(ReadChunk(h, FOURCC_FMT, &buffer, &size, &remaining), 1);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(remaining, 4u + 28);
    delete[] buffer;
    ASSERT_EQ(ReadChunk(h, FOURCC_DATA, &buffer, &size, &remaining), 1);
    EXPECT_EQ(size, 20u);
    // "WAVE" is counted in the RIFF size but read with the header.
    EXPECT_EQ(remaining, 4u);
    delete[] buffer;

    // One more scan reads past the end of the file.
    buffer = reinterpret_cast<BYTE*>(0x1);
    size = 77;
    EXPECT_EQ(ReadChunk(h, FOURCC_DATA, &buffer, &size, &remaining), 0);
    EXPECT_EQ(m_log.Text(), "Error reading chunk header\n");
    EXPECT_EQ(buffer, reinterpret_cast<BYTE*>(0x1));
    EXPECT_EQ(size, 77u);
    CloseHandle(h);
}

TEST_F(WaveFileTest, ScanEndsSilentlyWhenTheCountRunsOutBeforeTheChunk) {
    auto path = Put("count.wav", Riff({Chunk("fmt ", Fmt(1, 8000, 8)), Chunk("data", Ramp(4))}));
    HANDLE h = OpenForRead(path);
    SkipFileHeader(h);
    DWORD remaining = 8 + 16;  // exactly the format chunk
    BYTE* buffer = nullptr;
    DWORD size = 5;
    EXPECT_EQ(ReadChunk(h, FOURCC_DATA, &buffer, &size, &remaining), 0);
    EXPECT_EQ(remaining, 0u);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(m_log.Text(), "");
    CloseHandle(h);
}

TEST_F(WaveFileTest, ReadChunkRefusesMissingArgumentsAndAZeroCount) {
    auto path = Put("args.wav", Riff({Chunk("fmt ", Fmt(1, 8000, 8))}));
    HANDLE h = OpenForRead(path);
    SkipFileHeader(h);
    BYTE* buffer = nullptr;
    DWORD size = 0;
    DWORD remaining = 100;
    DWORD zero = 0;
    EXPECT_EQ(ReadChunk(h, FOURCC_FMT, &buffer, &size, nullptr), 0);
    EXPECT_EQ(ReadChunk(h, FOURCC_FMT, &buffer, &size, &zero), 0);
    EXPECT_EQ(ReadChunk(h, FOURCC_FMT, nullptr, &size, &remaining), 0);
    EXPECT_EQ(ReadChunk(h, FOURCC_FMT, &buffer, nullptr, &remaining), 0);
    EXPECT_EQ(remaining, 100u);
    std::string line = "Invalid parameter to ReadChunk()\r\n";
    EXPECT_EQ(m_log.Text(), line + line + line + line);
    CloseHandle(h);
}

struct BadFile {
    const char* name;
    Bytes bytes;
    std::string log;  // what the loader logs
};

std::vector<BadFile> BadFiles() {
    const Bytes fmt = Fmt(1, 22050, 16);
    const Bytes data = Chunk("data", Ramp(8));
    Bytes fmt14(fmt.begin(), fmt.begin() + 14);
    Bytes truncatedFmt = Riff({Chunk("fmt ", fmt)});
    truncatedFmt.resize(truncatedFmt.size() - 6);
    return {
        {"short.wav", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V'},
         "Error reading file header\n"},
        {"empty.wav", Bytes{}, "Error reading file header\n"},
        {"rifx.wav", Bytes{'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'},
         "Invalid wave file header\n"},
        {"wavx.wav", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'X'},
         "Invalid wave file header\n"},
        {"nodata.wav", Riff({Chunk("fmt ", fmt), Chunk("LIST", Ramp(6))}),
         "Error reading chunk header\n"},
        {"nofmt.wav", Riff({data}), "Error reading chunk header\nUnable to read format chunk\r\n"},
        {"datafirst.wav", Riff({data, Chunk("fmt ", fmt)}), "Error reading chunk header\n"},
        {"riff0.wav", Riff({Chunk("fmt ", fmt), data}, 0),
         "Invalid parameter to ReadChunk()\r\nUnable to read format chunk\r\n"},
        {"fmt14.wav", Riff({Chunk("fmt ", fmt14), data}), "Format record too small\r\n"},
        {"fmtcut.wav", truncatedFmt,
         "Unable to read chunk data\r\nUnable to read format chunk\r\n"},
        // Claims 2 GB in a 60-byte file: refused before any allocation.
        {"overclaim.wav", Riff({Chunk("fmt ", fmt), Chunk("data", Ramp(8), 0x7FFFFFF0)}),
         "Unable to read chunk data\r\n"},
        {"avg0.wav", Riff({Chunk("fmt ", Fmt(1, 22050, 16, 0)), data}),
         "Invalid average bytes per second\r\n"},
        // A skip of nearly 4 GB must not turn into a step back to the same
        // header (which would scan for ever); it runs off the file instead.
        {"hugeskip.wav", Riff({Chunk("junk", {}, 0xFFFFFFF8), Chunk("fmt ", fmt), data}),
         "Error setting file pointer while scanning for chunk\n"
         "Unable to read format chunk\r\n"},
        {"bigskip.wav", Riff({Chunk("junk", {}, 0x90000000), Chunk("fmt ", fmt), data}),
         "Error reading chunk header\nUnable to read format chunk\r\n"},
    };
}

TEST_F(WaveFileTest, EveryFailedLoadIsLoggedLeavesTheOutputsAndReleasesEverything) {
    for (const BadFile& bad : BadFiles()) {
        SCOPED_TRACE(bad.name);
        auto path = Put(bad.name, bad.bytes);
        m_log.Clear();
        std::size_t handles = dv::OpenHandleCount();
        auto* format = reinterpret_cast<WAVEFORMATEX*>(0x10);
        DWORD size = 0x20;
        auto* data = reinterpret_cast<BYTE*>(0x30);
        EXPECT_EQ(ReadWaveFile(path.c_str(), &format, &size, &data), 1);
        EXPECT_EQ(m_log.Text(), bad.log);
        EXPECT_EQ(format, reinterpret_cast<WAVEFORMATEX*>(0x10));
        EXPECT_EQ(size, 0x20u);
        EXPECT_EQ(data, reinterpret_cast<BYTE*>(0x30));
        EXPECT_EQ(dv::OpenHandleCount(), handles);
    }
}

TEST_F(WaveFileTest, PlayerSkipsTheSoundAfterAFailedLoad) {
    dv::testing::FakeWaveOut device;
    std::size_t handles = dv::OpenHandleCount();
    PlayWaveFile(L"\\windows\\missing.wav");
    EXPECT_EQ(m_log.Text(),
              "Error opening \\windows\\missing.wav. Error code = 0x00000002\n"
              "ReadWaveFile failed. mr=00000001\r\n");
    for (const BadFile& bad : BadFiles()) {
        SCOPED_TRACE(bad.name);
        auto path = Put(bad.name, bad.bytes);
        m_log.Clear();
        PlayWaveFile(path.c_str());
        EXPECT_EQ(m_log.Text(), bad.log + "ReadWaveFile failed. mr=00000001\r\n");
    }
    EXPECT_TRUE(device.Calls().empty());
    EXPECT_EQ(dv::OpenHandleCount(), handles);
}

TEST_F(WaveFileTest, ReadWaveFileRefusesMissingArguments) {
    auto path = Put("ok.wav", Riff({Chunk("fmt ", Fmt(1, 8000, 8)), Chunk("data", Ramp(4))}));
    WAVEFORMATEX* format = nullptr;
    DWORD size = 0;
    BYTE* data = nullptr;
    EXPECT_EQ(ReadWaveFile(nullptr, &format, &size, &data), 1);
    EXPECT_EQ(ReadWaveFile(path.c_str(), nullptr, &size, &data), 1);
    EXPECT_EQ(ReadWaveFile(path.c_str(), &format, nullptr, &data), 1);
    EXPECT_EQ(ReadWaveFile(path.c_str(), &format, &size, nullptr), 1);
    std::string line = "Invalid parameter to ReadWaveFile()\r\n";
    EXPECT_EQ(m_log.Text(), line + line + line + line);
}

}  // namespace

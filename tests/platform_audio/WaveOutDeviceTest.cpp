// Audio device 0 through the waveOut* calls, on SDL's disk driver: what
// reaches the output is read back from the driver's file.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/MmSystem.h"
#include "platform/WinBase.h"
#include "platform/audio/Gain.h"
#include "platform/audio/SdlAudio.h"
#include "platform/testing/LogCapture.h"

namespace {

constexpr DWORD kEventCallback = CALLBACK_EVENT;

WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    f.wBitsPerSample = bits;
    return f;
}

// Samples that are never silence, so the played part stands out in the
// driver's output between the silence before and after it.
std::vector<int16_t> Tone16(std::size_t count) {
    std::vector<int16_t> s(count);
    for (std::size_t i = 0; i < count; ++i) {
        s[i] = static_cast<int16_t>(((i % 2) ? -1 : 1) * (1000 + static_cast<int>(i * 37 % 20000)));
    }
    return s;
}

class WaveOutDeviceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        dv::StopSdlAudio();
    }

    void SetUp() override {
        char pattern[] = "/tmp/dialvane-audio-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_base = pattern;
        setenv("DIALVANE_ROOT", (m_base / "unit").c_str(), 1);
        setenv("SDL_DISKAUDIOFILE", (m_base / "output.raw").c_str(), 1);
        // A device parked by the last test would still write to its file.
        dv::StopSdlAudio();
        m_event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }

    void TearDown() override {
        CloseHandle(m_event);
        std::filesystem::remove_all(m_base);
    }

    MMRESULT Open(const WAVEFORMATEX& format, UINT device = 0) {
        return waveOutOpen(&m_wave, device, &format, reinterpret_cast<DWORD_PTR>(m_event), 0,
                           kEventCallback);
    }

    // Plays one buffer on the open device to its end, then closes the device.
    void PlayToEndAndClose(void* data, DWORD bytes) {
        WAVEHDR header{};
        header.lpData = static_cast<char*>(data);
        header.dwBufferLength = bytes;
        ASSERT_EQ(waveOutPrepareHeader(m_wave, &header, sizeof header), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(m_wave, &header, sizeof header), MMSYSERR_NOERROR);
        ASSERT_EQ(WaitForSingleObject(m_event, 5000), WAIT_OBJECT_0);
        EXPECT_EQ(waveOutUnprepareHeader(m_wave, &header, sizeof header), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(m_wave), MMSYSERR_NOERROR);
    }

    // The disk driver's file is complete once its device is closed; a closed
    // output only parks the device.
    std::vector<uint8_t> Output() const {
        dv::StopSdlAudio();
        std::ifstream in(m_base / "output.raw", std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    std::string Journal() const {
        std::ifstream in(m_base / "unit" / "dev" / "WAV1.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // What the driver got, without the silence before and after the sound.
    static std::vector<uint8_t> Trim(std::vector<uint8_t> bytes, uint8_t silence) {
        auto first =
            std::find_if(bytes.begin(), bytes.end(), [&](uint8_t b) { return b != silence; });
        auto last =
            std::find_if(bytes.rbegin(), bytes.rend(), [&](uint8_t b) { return b != silence; });
        if (first == bytes.end()) {
            return {};
        }
        return std::vector<uint8_t>(first, last.base());
    }

    std::filesystem::path m_base;
    HANDLE m_event = nullptr;
    HWAVEOUT m_wave = nullptr;
};

TEST_F(WaveOutDeviceTest, PlaysTheSamplesScaledByTheVolumeAndSignalsWhenPlayed) {
    constexpr DWORD kVolume = 0x1234BFFFu;  // mono plays at the left level
    ASSERT_EQ(waveOutSetVolume(nullptr, kVolume), MMSYSERR_NOERROR);
    auto samples = Tone16(6615);  // 300 ms
    ASSERT_EQ(Open(Pcm(1, 22050, 16)), MMSYSERR_NOERROR);

    WAVEHDR header{};
    header.lpData = reinterpret_cast<char*>(samples.data());
    header.dwBufferLength = static_cast<DWORD>(samples.size() * 2);
    ASSERT_EQ(waveOutPrepareHeader(m_wave, &header, sizeof header), MMSYSERR_NOERROR);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(waveOutWrite(m_wave, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutUnprepareHeader(m_wave, &header, sizeof header), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(m_wave), WAVERR_STILLPLAYING);
    ASSERT_EQ(WaitForSingleObject(m_event, 5000), WAIT_OBJECT_0);
    auto took = std::chrono::steady_clock::now() - start;
    // The disk driver takes the samples in real time, a block at a time.
    EXPECT_GE(took, std::chrono::milliseconds(250));
    EXPECT_EQ(header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    EXPECT_EQ(waveOutUnprepareHeader(m_wave, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(m_wave), MMSYSERR_NOERROR);

    auto played = Trim(Output(), 0);
    ASSERT_EQ(played.size(), samples.size() * 2);
    std::vector<int16_t> got(samples.size());
    std::memcpy(got.data(), played.data(), played.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(got[i], dv::ScaleSample16(samples[i], 0xBFFF)) << "sample " << i;
    }
    EXPECT_EQ(Journal(),
              "volume 0x1234bfff\n"
              "open pcm 1 22050 16\n"
              "write 13230\n"
              "done\n"
              "close\n");
}

TEST_F(WaveOutDeviceTest, ASecondSoundOfTheSameFormatPlaysWholeOnTheParkedDevice) {
    ASSERT_EQ(waveOutSetVolume(nullptr, 0xFFFFFFFFu), MMSYSERR_NOERROR);
    auto samples = Tone16(2205);  // 100 ms
    for (int play = 0; play < 2; ++play) {
        SCOPED_TRACE(play);
        ASSERT_EQ(Open(Pcm(1, 22050, 16)), MMSYSERR_NOERROR);
        ASSERT_NO_FATAL_FAILURE(
            PlayToEndAndClose(samples.data(), static_cast<DWORD>(samples.size() * 2)));
    }
    // One device took both: the file holds the first sound, silence, the second.
    auto played = Trim(Output(), 0);
    const std::size_t bytes = samples.size() * 2;
    ASSERT_GE(played.size(), 2 * bytes);
    EXPECT_EQ(std::memcmp(played.data(), samples.data(), bytes), 0);
    EXPECT_EQ(std::memcmp(played.data() + played.size() - bytes, samples.data(), bytes), 0);
}

TEST_F(WaveOutDeviceTest, StereoEightBitChannelsTakeTheirOwnLevels) {
    ASSERT_EQ(waveOutSetVolume(nullptr, 0x80004000u), MMSYSERR_NOERROR);
    std::vector<uint8_t> frames;
    for (int i = 0; i < 1600; ++i) {  // 100 ms of stereo at 16 kHz
        frames.push_back(static_cast<uint8_t>(0xC0 + i % 32));
        frames.push_back(static_cast<uint8_t>(0x20 + i % 16));
    }
    ASSERT_EQ(Open(Pcm(2, 16000, 8), WAVE_MAPPER), MMSYSERR_NOERROR);
    WAVEHDR header{};
    header.lpData = reinterpret_cast<char*>(frames.data());
    header.dwBufferLength = static_cast<DWORD>(frames.size());
    ASSERT_EQ(waveOutPrepareHeader(m_wave, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(m_wave, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(WaitForSingleObject(m_event, 5000), WAIT_OBJECT_0);
    ASSERT_EQ(waveOutUnprepareHeader(m_wave, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(m_wave), MMSYSERR_NOERROR);

    auto played = Trim(Output(), 0x80);
    ASSERT_EQ(played.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); i += 2) {
        ASSERT_EQ(played[i], dv::ScaleSample8(frames[i], 0x4000)) << "left " << i;
        ASSERT_EQ(played[i + 1], dv::ScaleSample8(frames[i + 1], 0x8000)) << "right " << i;
    }
    EXPECT_NE(Journal().find("open pcm 2 16000 8\n"), std::string::npos);
}

TEST_F(WaveOutDeviceTest, ResetStopsPlaybackAndTheBufferIsNeverReadAgain) {
    ASSERT_EQ(waveOutSetVolume(nullptr, 0xFFFFFFFFu), MMSYSERR_NOERROR);
    auto tone = Tone16(44100);  // 2 s
    auto buffer = std::make_unique<int16_t[]>(tone.size());
    std::memcpy(buffer.get(), tone.data(), tone.size() * 2);
    ASSERT_EQ(Open(Pcm(1, 22050, 16)), MMSYSERR_NOERROR);
    WAVEHDR header{};
    header.lpData = reinterpret_cast<char*>(buffer.get());
    header.dwBufferLength = static_cast<DWORD>(tone.size() * 2);
    ASSERT_EQ(waveOutPrepareHeader(m_wave, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(m_wave, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_EQ(WaitForSingleObject(m_event, 150), WAIT_TIMEOUT);

    ASSERT_EQ(waveOutReset(m_wave), MMSYSERR_NOERROR);
    EXPECT_EQ(WaitForSingleObject(m_event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    ASSERT_EQ(waveOutUnprepareHeader(m_wave, &header, sizeof header), MMSYSERR_NOERROR);
    // Freed while the device runs on: the sanitizer build sees any late read.
    buffer.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(waveOutClose(m_wave), MMSYSERR_NOERROR);

    auto played = Trim(Output(), 0);
    EXPECT_GT(played.size(), 0u);
    EXPECT_LT(played.size(), tone.size());
    EXPECT_EQ(std::memcmp(played.data(), tone.data(), played.size() & ~std::size_t{1}), 0);
    EXPECT_EQ(Journal(),
              "volume 0xffffffff\n"
              "open pcm 1 22050 16\n"
              "write 88200\n"
              "reset\n"
              "close\n");
}

TEST_F(WaveOutDeviceTest, RefusesWhatDeviceZeroCannotTake) {
    HWAVEOUT wave = nullptr;
    WAVEFORMATEX good = Pcm(1, 22050, 16);
    auto event = reinterpret_cast<DWORD_PTR>(m_event);
    EXPECT_EQ(waveOutOpen(nullptr, 0, &good, event, 0, kEventCallback), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutOpen(&wave, 0, nullptr, event, 0, kEventCallback), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutOpen(&wave, 1, &good, event, 0, kEventCallback), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutOpen(&wave, 0, &good, event, 0, 0x00030000), MMSYSERR_INVALFLAG);
    EXPECT_EQ(waveOutOpen(&wave, 0, &good, 0x4321, 0, kEventCallback), MMSYSERR_INVALPARAM);

    WAVEFORMATEX adpcm = good;
    adpcm.wFormatTag = 2;
    WAVEFORMATEX bits24 = Pcm(1, 22050, 24);
    WAVEFORMATEX surround = Pcm(6, 22050, 16);
    WAVEFORMATEX misaligned = good;
    misaligned.nBlockAlign = 4;
    WAVEFORMATEX rate0 = Pcm(1, 0, 16);
    for (const WAVEFORMATEX& bad : {adpcm, bits24, surround, misaligned, rate0}) {
        EXPECT_EQ(waveOutOpen(&wave, 0, &bad, event, 0, kEventCallback), WAVERR_BADFORMAT);
    }
    EXPECT_EQ(wave, nullptr);
    EXPECT_EQ(Journal(), "");
}

TEST_F(WaveOutDeviceTest, CallsOnBadHandlesOrHeadersFail) {
    auto stale = reinterpret_cast<HWAVEOUT>(0x7654320);
    WAVEHDR header{};
    EXPECT_EQ(waveOutPrepareHeader(stale, &header, sizeof header), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutWrite(stale, &header, sizeof header), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutReset(stale), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(stale), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutSetVolume(stale, 0), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutSetVolume(reinterpret_cast<HWAVEOUT>(1), 0), MMSYSERR_BADDEVICEID);

    ASSERT_EQ(Open(Pcm(1, 8000, 8)), MMSYSERR_NOERROR);
    std::vector<uint8_t> data(80, 0x90);
    header.lpData = reinterpret_cast<char*>(data.data());
    header.dwBufferLength = 80;
    EXPECT_EQ(waveOutPrepareHeader(m_wave, nullptr, sizeof header), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutPrepareHeader(m_wave, &header, 32), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutWrite(m_wave, &header, sizeof header), WAVERR_UNPREPARED);

    // The volume goes through an open handle to the same device.
    ASSERT_EQ(waveOutSetVolume(m_wave, 0x6FFF6FFFu), MMSYSERR_NOERROR);
    DWORD volume = 0;
    ASSERT_EQ(waveOutGetVolume(nullptr, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, 0x6FFF6FFFu);
    EXPECT_EQ(waveOutGetVolume(m_wave, nullptr), MMSYSERR_INVALPARAM);

    ASSERT_EQ(waveOutClose(m_wave), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(m_wave), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(Journal(),
              "open pcm 1 8000 8\n"
              "volume 0x6fff6fff\n"
              "close\n");
}

TEST_F(WaveOutDeviceTest, FallsBackToTheDummyDriverWhenTheConfiguredOneFails) {
    dv::testing::LogCapture log;
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    dv::StopSdlAudio();
    std::vector<uint8_t> data(800, 0x90);  // 100 ms at 8 kHz
    MMRESULT opened = Open(Pcm(1, 8000, 8));
    setenv("SDL_AUDIODRIVER", "disk", 1);
    ASSERT_EQ(opened, MMSYSERR_NOERROR);
    EXPECT_TRUE(log.Contains("using the dummy driver\r\n")) << log.Text();

    PlayToEndAndClose(data.data(), 800);
    dv::StopSdlAudio();
}

TEST_F(WaveOutDeviceTest, FallsBackToTheDummyDriverWhenTheOutputWillNotOpen) {
    dv::testing::LogCapture log;
    setenv("SDL_DISKAUDIOFILE", "/nonexistent-dir/output.raw", 1);
    std::vector<uint8_t> data(400, 0x90);  // 50 ms at 8 kHz
    ASSERT_EQ(Open(Pcm(1, 8000, 8)), MMSYSERR_NOERROR);
    EXPECT_TRUE(log.Contains("Audio: cannot open the output (")) << log.Text();
    PlayToEndAndClose(data.data(), 400);
    // Back to the configured driver for the tests that follow.
    dv::StopSdlAudio();
}

}  // namespace

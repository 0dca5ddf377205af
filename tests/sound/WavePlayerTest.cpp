// Playing a loaded file through the device double: the order of the device
// calls, each failure's log line and path, and the time-out.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/core/KernelObject.h"
#include "platform/testing/FakeWaveOut.h"
#include "sound/WavePlayer.h"
#include "tests/sound/WaveTestRoot.h"

namespace {

using dv::testing::FakeWaveOut;
using dv::testing::WaveCall;
using Calls = std::vector<std::string>;

class WavePlayerTest : public WaveTestRoot {
protected:
    void SetUp() override {
        WaveTestRoot::SetUp();
        m_samples = Ramp(80);
        m_path = Put("click.wav", Riff({Chunk("fmt ", Fmt(1, 8000, 8)), Chunk("LIST", Ramp(3)),
                                        Chunk("data", m_samples)}));
        m_handles = dv::OpenHandleCount();
    }

    void TearDown() override {
        // The file and the event are closed on every path.
        EXPECT_EQ(dv::OpenHandleCount(), m_handles);
        WaveTestRoot::TearDown();
    }

    FakeWaveOut m_device;
    Bytes m_samples;
    std::wstring m_path;
    std::size_t m_handles = 0;
};

TEST_F(WavePlayerTest, PlaysTheSamplesOnDeviceZeroWithTheFilesFormat) {
    PlayWaveFile(m_path.c_str());
    EXPECT_EQ(m_log.Text(), "");
    EXPECT_EQ(m_device.Calls(), (Calls{"open", "prepare", "write", "unprepare", "close"}));
    auto open = m_device.LastOpen();
    ASSERT_TRUE(open.has_value());
    EXPECT_EQ(open->deviceId, 0u);
    EXPECT_EQ(open->flags, 0x50000u);
    EXPECT_NE(open->callback, 0u);
    EXPECT_EQ(open->instance, 0u);
    EXPECT_EQ(open->formatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(open->channels, 1);
    EXPECT_EQ(open->samplesPerSec, 8000u);
    EXPECT_EQ(open->avgBytesPerSec, 8000u);
    EXPECT_EQ(open->bitsPerSample, 8);
    EXPECT_EQ(m_device.Written(), m_samples);
    EXPECT_EQ(m_device.HeaderSizes(), (std::vector<UINT>(3, sizeof(WAVEHDR))));
    EXPECT_EQ(m_device.OpenHandles(), 0);
}

struct DeviceFailure {
    WaveCall call;
    MMRESULT code;
    std::string log;
    Calls calls;
};

TEST_F(WavePlayerTest, EachDeviceFailureIsLoggedAndTheRestStillReleased) {
    const std::vector<DeviceFailure> failures = {
        {WaveCall::Open, MMSYSERR_ALLOCATED, "waveOutOpen failed. mr=00000004\r\n", {"open"}},
        {WaveCall::Prepare,
         MMSYSERR_NOMEM,
         "waveOutPrepareHeader failed. mr=00000007\r\n",
         {"open", "prepare", "close"}},
        // A failed write leaves the header prepared: no unprepare follows.
        {WaveCall::Write,
         MMSYSERR_INVALPARAM,
         "waveOutWrite failed. mr=0000000b\r\n",
         {"open", "prepare", "write", "close"}},
        {WaveCall::Unprepare,
         WAVERR_STILLPLAYING,
         "waveOutUnprepareHeader failed. mr=00000021\r\n",
         {"open", "prepare", "write", "unprepare", "close"}},
        {WaveCall::Close,
         MMSYSERR_INVALHANDLE,
         "waveOutClose failed. mr=00000005\r\n",
         {"open", "prepare", "write", "unprepare", "close"}},
    };
    for (const DeviceFailure& f : failures) {
        SCOPED_TRACE(f.log);
        FakeWaveOut device;
        device.FailCall(f.call, f.code);
        m_log.Clear();
        PlayWaveFile(m_path.c_str());
        EXPECT_EQ(m_log.Text(), f.log);
        EXPECT_EQ(device.Calls(), f.calls);
    }
    EXPECT_TRUE(m_device.Calls().empty());
}

TEST_F(WavePlayerTest, DeviceThatNeverFinishesIsResetAfterTheSoundsLengthPlusOneSecond) {
    // 8000 bytes at 8000 bytes a second: one second, so a wait of two.
    auto path =
        Put("second.wav", Riff({Chunk("fmt ", Fmt(1, 8000, 8)), Chunk("data", Ramp(8000))}));
    m_device.NeverSignal();
    auto start = std::chrono::steady_clock::now();
    PlayWaveFile(path.c_str());
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1990));
    EXPECT_LT(waited, std::chrono::milliseconds(2900));
    EXPECT_EQ(m_log.Text(), "Timeout waiting for playback to complete\r\n");
    // The buffer is taken back before it is unprepared and freed.
    EXPECT_EQ(m_device.Calls(), (Calls{"open", "prepare", "write", "reset", "unprepare", "close"}));
}

TEST_F(WavePlayerTest, FailedResetAfterTheTimeOutIsLogged) {
    m_device.NeverSignal();
    m_device.FailCall(WaveCall::Reset, MMSYSERR_ERROR);
    m_device.FailCall(WaveCall::Unprepare, WAVERR_STILLPLAYING);
    m_device.FailCall(WaveCall::Close, WAVERR_STILLPLAYING);
    PlayWaveFile(m_path.c_str());
    EXPECT_EQ(m_log.Text(),
              "Timeout waiting for playback to complete\r\n"
              "waveOutReset failed. mr=00000001\r\n"
              "waveOutUnprepareHeader failed. mr=00000021\r\n"
              "waveOutClose failed. mr=00000021\r\n");
}

TEST(PlaybackWaitMs, IsTheLengthPlusOneSecondWithoutOverflow) {
    EXPECT_EQ(PlaybackWaitMs(8000, 8000), 2000u);
    EXPECT_EQ(PlaybackWaitMs(2646, 44100), 1060u);  // truncated, not rounded
    // Above about 2 MB the product no longer fits 32 bits.
    EXPECT_EQ(PlaybackWaitMs(5000000, 5000000), 2000u);
    EXPECT_EQ(PlaybackWaitMs(0xFFFFFFFFu, 0xFFFFFFFFu), 2000u);
    // Never INFINITE.
    EXPECT_EQ(PlaybackWaitMs(0xFFFFFFFFu, 1), 0xFFFFFFFEu);
}

}  // namespace

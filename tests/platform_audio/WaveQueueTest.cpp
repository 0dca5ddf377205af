// The device's buffer queue and gain, driven by hand: what each pull hands
// to the output and when buffers are given back.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/audio/Gain.h"
#include "platform/audio/TimedAudioOutput.h"
#include "platform/audio/WaveQueue.h"

namespace {

constexpr DWORD kFullVolume = 0xFFFFFFFFu;

std::vector<uint8_t> Samples16(std::initializer_list<int16_t> values) {
    std::vector<uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), values.begin(), bytes.size());
    return bytes;
}

std::vector<int16_t> As16(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> values(bytes.size() / 2);
    std::memcpy(values.data(), bytes.data(), values.size() * 2);
    return values;
}

WAVEHDR HeaderFor(std::vector<uint8_t>& bytes) {
    WAVEHDR header{};
    header.lpData = reinterpret_cast<char*>(bytes.data());
    header.dwBufferLength = static_cast<DWORD>(bytes.size());
    return header;
}

struct QueueRig {
    explicit QueueRig(dv::PcmFormat format, DWORD volumeValue = kFullVolume)
        : volume(volumeValue),
          queue(format, volume, [this](bool played) { (played ? playedCount : resetCount)++; }) {}

    std::vector<uint8_t> Pull(std::size_t bytes) {
        std::vector<uint8_t> out(bytes, 0xEE);
        queue.Pull(out);
        return out;
    }

    std::atomic<DWORD> volume;
    std::atomic<int> playedCount{0};
    std::atomic<int> resetCount{0};
    dv::WaveQueue queue;
};

const dv::PcmFormat kMono16{1, 22050, 16};
const dv::PcmFormat kStereo8{2, 8000, 8};

TEST(WaveQueue, BufferIsGivenBackOnlyAtThePullAfterItsLastFrame) {
    QueueRig rig(kMono16);
    auto data = Samples16({1, 2, 3, 4, 5, 6});
    WAVEHDR header = HeaderFor(data);
    ASSERT_EQ(rig.queue.Prepare(&header), MMSYSERR_NOERROR);
    int queuedCalls = 0;
    ASSERT_EQ(rig.queue.Write(&header, [&] { ++queuedCalls; }), MMSYSERR_NOERROR);
    EXPECT_EQ(queuedCalls, 1);
    EXPECT_EQ(header.dwFlags, WHDR_PREPARED | WHDR_INQUEUE);

    EXPECT_EQ(As16(rig.Pull(8)), (std::vector<int16_t>{1, 2, 3, 4}));
    // The last two samples and then silence; the buffer is played out but
    // the output may not have taken them yet.
    EXPECT_EQ(As16(rig.Pull(8)), (std::vector<int16_t>{5, 6, 0, 0}));
    EXPECT_EQ(rig.playedCount, 0);
    EXPECT_TRUE(rig.queue.Busy());

    EXPECT_EQ(As16(rig.Pull(8)), (std::vector<int16_t>{0, 0, 0, 0}));
    EXPECT_EQ(rig.playedCount, 1);
    EXPECT_EQ(header.dwFlags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_FALSE(rig.queue.Busy());
    EXPECT_EQ(rig.queue.Unprepare(&header), MMSYSERR_NOERROR);
    EXPECT_EQ(header.dwFlags, WHDR_DONE);
}

TEST(WaveQueue, QueuedBuffersPlayBackToBackAndOddBytesAreDropped) {
    QueueRig rig(kMono16);
    auto first = Samples16({10, 20, 30});
    first.push_back(0x7F);  // half a sample: never played
    auto second = Samples16({40});
    WAVEHDR a = HeaderFor(first);
    WAVEHDR b = HeaderFor(second);
    for (WAVEHDR* h : {&a, &b}) {
        rig.queue.Prepare(h);
        rig.queue.Write(h, [] {});
    }
    EXPECT_EQ(As16(rig.Pull(10)), (std::vector<int16_t>{10, 20, 30, 40, 0}));
    rig.Pull(2);
    EXPECT_EQ(rig.playedCount, 2);
}

TEST(WaveQueue, HeaderRulesGuardQueuedBuffers) {
    QueueRig rig(kMono16);
    auto data = Samples16({1, 2});
    WAVEHDR header = HeaderFor(data);
    EXPECT_EQ(rig.queue.Write(&header, [] {}), WAVERR_UNPREPARED);
    rig.queue.Prepare(&header);
    ASSERT_EQ(rig.queue.Write(&header, [] {}), MMSYSERR_NOERROR);
    EXPECT_EQ(rig.queue.Write(&header, [] {}), WAVERR_STILLPLAYING);
    EXPECT_EQ(rig.queue.Prepare(&header), WAVERR_STILLPLAYING);
    EXPECT_EQ(rig.queue.Unprepare(&header), WAVERR_STILLPLAYING);

    WAVEHDR noData{};
    noData.dwBufferLength = 4;
    EXPECT_EQ(rig.queue.Prepare(&noData), MMSYSERR_INVALPARAM);
}

TEST(WaveQueue, ResetGivesEverythingBackAndNothingIsReadAfterIt) {
    QueueRig rig(kMono16);
    auto data = Samples16({7, 7, 7, 7, 7, 7, 7, 7});
    WAVEHDR header = HeaderFor(data);
    rig.queue.Prepare(&header);
    rig.queue.Write(&header, [] {});
    rig.Pull(4);
    rig.queue.Reset();
    EXPECT_EQ(rig.resetCount, 1);
    EXPECT_EQ(rig.playedCount, 0);
    EXPECT_EQ(header.dwFlags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_FALSE(rig.queue.Busy());
    // The buffer is the caller's again: changing it changes nothing played.
    std::fill(data.begin(), data.end(), 0x55);
    EXPECT_EQ(As16(rig.Pull(8)), (std::vector<int16_t>{0, 0, 0, 0}));
    EXPECT_EQ(rig.playedCount, 0);
}

TEST(WaveQueue, VolumeScalesEachChannelByItsOwnLevel) {
    // Left at a quarter, right silent; 8-bit samples scale about their centre.
    QueueRig rig(kStereo8, 0x00004000u);
    std::vector<uint8_t> data = {0x80, 0x80, 0xFF, 0xFF, 0x00, 0x00, 0x90, 0x10};
    WAVEHDR header = HeaderFor(data);
    rig.queue.Prepare(&header);
    rig.queue.Write(&header, [] {});
    auto out = rig.Pull(10);
    EXPECT_EQ(out,
              (std::vector<uint8_t>{0x80, 0x80, 0x9F, 0x80, 0x60, 0x80, 0x84, 0x80, 0x80, 0x80}));
}

TEST(WaveQueue, MonoTakesTheLeftLevelAndTheVolumeAppliesWhilePlaying) {
    QueueRig rig(kMono16, 0xFFFF8000u);
    auto data = Samples16({32767, -32768, 1000, 1000});
    WAVEHDR header = HeaderFor(data);
    rig.queue.Prepare(&header);
    rig.queue.Write(&header, [] {});
    EXPECT_EQ(As16(rig.Pull(4)), (std::vector<int16_t>{16383, -16384}));
    rig.volume = 0xFFFF0000u;  // left silent
    EXPECT_EQ(As16(rig.Pull(4)), (std::vector<int16_t>{0, 0}));
}

TEST(Gain, FullVolumeIsExactAndLevelsScaleLinearly) {
    EXPECT_EQ(dv::ScaleSample16(-32768, 0xFFFF), -32768);
    EXPECT_EQ(dv::ScaleSample16(12345, 0xFFFF), 12345);
    EXPECT_EQ(dv::ScaleSample16(12345, 0), 0);
    EXPECT_EQ(dv::ScaleSample16(30000, 0xBFFF), 22499);
    EXPECT_EQ(dv::ScaleSample8(0x00, 0xFFFF), 0x00);
    EXPECT_EQ(dv::ScaleSample8(0xFF, 0), 0x80);
}

TEST(TimedAudioOutput, PlaysBuffersInRealTime) {
    QueueRig rig(dv::PcmFormat{1, 8000, 8});
    std::vector<uint8_t> data(800, 0x90);  // 100 ms
    WAVEHDR header = HeaderFor(data);
    rig.queue.Prepare(&header);
    auto start = std::chrono::steady_clock::now();
    {
        dv::TimedAudioOutput output(rig.queue);
        rig.queue.Write(&header, [] {});
        while (rig.playedCount == 0 &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(rig.playedCount, 1);
    EXPECT_GE(took, std::chrono::milliseconds(95));
    EXPECT_LT(took, std::chrono::seconds(2));
}

}  // namespace

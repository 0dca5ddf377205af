// The click the unit ships, and a real playback of it on audio device 0
// through SDL's disk driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/MmSystem.h"
#include "platform/Resources.h"
#include "platform/audio/Gain.h"
#include "platform/audio/SdlAudio.h"
#include "sound/WavePlayer.h"
#include "tests/sound/WaveTestRoot.h"

namespace {

constexpr std::size_t kCanonicalHeader = 44;

Bytes CommittedClick() {
    std::ifstream in(std::string(DV_SOURCE_DIR) + "/resources/data/question.wav", std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<int16_t> SamplesOf(const Bytes& wav) {
    std::vector<int16_t> s((wav.size() - kCanonicalHeader) / 2);
    std::memcpy(s.data(), wav.data() + kCanonicalHeader, s.size() * 2);
    return s;
}

TEST(ClickSound, IsAShortQuietMonoClickThatStartsAndEndsAtRest) {
    Bytes wav = CommittedClick();
    ASSERT_GT(wav.size(), kCanonicalHeader);
    EXPECT_EQ(Bytes(wav.begin(), wav.begin() + 4), (Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_EQ(Bytes(wav.begin() + 8, wav.begin() + 16),
              (Bytes{'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}));
    EXPECT_EQ(Bytes(wav.begin() + 20, wav.begin() + 36), Fmt(1, 22050, 16));
    EXPECT_EQ(Bytes(wav.begin() + 36, wav.begin() + 40), (Bytes{'d', 'a', 't', 'a'}));

    auto samples = SamplesOf(wav);
    EXPECT_LE(samples.size(), 22050u * 80 / 1000);  // at most 80 ms
    EXPECT_EQ(samples.front(), 0);
    EXPECT_EQ(samples.back(), 0);
    long long sum = 0;
    int peak = 0;
    for (int16_t s : samples) {
        sum += s;
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    }
    EXPECT_LT(std::abs(sum / static_cast<long long>(samples.size())), 8);  // no DC
    EXPECT_GT(peak, 4000);
    EXPECT_LT(peak, 24000);  // soft, never clipping

    // The program carries the same file for provisioning.
    auto* embedded = dv::FindEmbeddedResource(dv::ResourceKind::Data, "question.wav");
    ASSERT_NE(embedded, nullptr);
    EXPECT_EQ(Bytes(embedded->data, embedded->data + embedded->size), wav);
}

class ClickPlaybackTest : public WaveTestRoot {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        dv::StopSdlAudio();
    }
    static void TearDownTestSuite() { dv::StopSdlAudio(); }

    void SetUp() override {
        WaveTestRoot::SetUp();
        setenv("SDL_DISKAUDIOFILE", (m_base / "output.raw").c_str(), 1);
    }

    std::vector<int16_t> Played() const {
        std::ifstream in(m_base / "output.raw", std::ios::binary);
        Bytes raw(std::istreambuf_iterator<char>(in), {});
        std::vector<int16_t> s(raw.size() / 2);
        std::memcpy(s.data(), raw.data(), s.size() * 2);
        return s;
    }

    std::string Journal() const {
        std::ifstream in(m_base / "unit" / "dev" / "WAV1.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(ClickPlaybackTest, TheClickReachesTheOutputWholeAtTheSetVolumeBeforeTheCallReturns) {
    Bytes wav = CommittedClick();
    auto samples = SamplesOf(wav);
    auto path = Put("question.wav", wav);
    ASSERT_EQ(waveOutSetVolume(nullptr, 0xBFFFBFFFu), MMSYSERR_NOERROR);

    auto start = std::chrono::steady_clock::now();
    PlayWaveFile(path.c_str());
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(m_log.Text(), "");
    EXPECT_GE(took, std::chrono::milliseconds(samples.size() * 1000 / 22050));

    // The output holds silence, the whole click scaled by the volume, silence.
    // The disk driver's file is complete once its (parked) device is closed.
    dv::StopSdlAudio();
    auto played = Played();
    std::vector<int16_t> expected;
    for (int16_t s : samples) {
        expected.push_back(dv::ScaleSample16(s, 0xBFFF));
    }
    // The click starts at rest, so its first sample cannot mark where it is.
    auto at = std::search(played.begin(), played.end(), expected.begin() + 1, expected.end());
    ASSERT_NE(at, played.end()) << "the click is not in the output";
    auto isSilence = [](int16_t s) { return s == 0; };
    EXPECT_TRUE(std::all_of(played.begin(), at, isSilence));
    EXPECT_TRUE(std::all_of(at + static_cast<std::ptrdiff_t>(expected.size() - 1), played.end(),
                            isSilence));
    EXPECT_EQ(Journal(),
              "volume 0xbfffbfff\n"
              "open pcm 1 22050 16\n"
              "write " +
                  std::to_string(samples.size() * 2) +
                  "\n"
                  "done\n"
                  "close\n");
}

}  // namespace

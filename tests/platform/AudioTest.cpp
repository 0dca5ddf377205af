// waveOut* on SDL's disk driver: the output read back from its file, the calls from the journal.
#include <atomic>
#include <cstring>
#include <fstream>
#include <future>

#include "Support.h"
#include "platform/MmSystem.h"
#include "platform/audio/SdlAudio.h"
#include "platform/audio/TimedAudioOutput.h"
#include "platform/audio/WaveQueue.h"
#include "platform/core/Termination.h"

namespace dv::test {
namespace {

using ::testing::Each;

constexpr DWORD kFull = 0xFFFFFFFFu;

WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
    const WORD align = static_cast<WORD>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// Never silence, so the played part stands out between the silences.
std::vector<int16_t> Tone16(std::size_t count, int base = 1000) {
    std::vector<int16_t> s(count);
    for (std::size_t i = 0; i < count; ++i) {
        s[i] = static_cast<int16_t>((i % 2 ? -1 : 1) * (base + static_cast<int>(i * 37 % 20000)));
    }
    return s;
}

struct Audio : PlatformTest {
    static void SetUpTestSuite() { ::setenv("SDL_AUDIODRIVER", "disk", 1); }
    static void TearDownTestSuite() {
        dv::StopSdlAudio();
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void SetUp() override {
        PlatformTest::SetUp();
        ::setenv("SDL_DISKAUDIOFILE", (runtime.string() + "-output.raw").c_str(), 1);
        dv::StopSdlAudio();  // a parked device still writes its old file
        event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    void TearDown() override {
        CloseHandle(event);
        std::filesystem::remove(runtime.string() + "-output.raw");
        PlatformTest::TearDown();
    }
    MMRESULT Open(const WAVEFORMATEX& format, UINT device = 0) {
        return waveOutOpen(&wave, device, &format, DWORD_PTR(event), 0, CALLBACK_EVENT);
    }
    static WAVEHDR Header(void* data, std::size_t bytes) {
        return {static_cast<char*>(data), static_cast<DWORD>(bytes), 0, 0, 0, 0, nullptr, 0};
    }
    void Queue(std::initializer_list<WAVEHDR*> headers) {
        for (WAVEHDR* h : headers) {
            ASSERT_EQ(waveOutPrepareHeader(wave, h, sizeof *h), MMSYSERR_NOERROR);
            ASSERT_EQ(waveOutWrite(wave, h, sizeof *h), MMSYSERR_NOERROR);
        }
    }
    // What the driver got, without the silence before and after.
    std::vector<uint8_t> Output(uint8_t silence) const {
        dv::StopSdlAudio();
        std::ifstream in(runtime.string() + "-output.raw", std::ios::binary);
        std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
        const auto sound = [&](uint8_t b) { return b != silence; };
        bytes.erase(std::find_if(bytes.rbegin(), bytes.rend(), sound).base(), bytes.end());
        bytes.erase(bytes.begin(), std::find_if(bytes.begin(), bytes.end(), sound));
        return bytes;
    }
    std::string Journal() const { return root.ReadFile("dev/WAV1.log"); }
    void PlayToEndAndClose(void* data, std::size_t bytes) {
        WAVEHDR h = Header(data, bytes);
        Queue({&h});
        ASSERT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
        ASSERT_EQ(waveOutUnprepareHeader(wave, &h, sizeof h), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutClose(wave), MMSYSERR_NOERROR);
    }

    HANDLE event = nullptr;
    HWAVEOUT wave = nullptr;
};

TEST_F(Audio, QueuedBuffersPlayInOrderAtTheLeftLevelEachSignalledWhenDone) {
    ASSERT_EQ(waveOutSetVolume(nullptr, 0x1234BFFFu), MMSYSERR_NOERROR);
    auto first = Tone16(1102), second = Tone16(1103, 3000);
    ASSERT_EQ(Open(Pcm(1, 22050, 16)), MMSYSERR_NOERROR);
    WAVEHDR a = Header(first.data(), first.size() * 2);
    WAVEHDR b = Header(second.data(), second.size() * 2 + 1);  // half a sample: dropped
    Queue({&a, &b});
    EXPECT_THAT(
        (std::vector{waveOutWrite(wave, &a, sizeof a), waveOutPrepareHeader(wave, &a, sizeof a),
                     waveOutUnprepareHeader(wave, &b, sizeof b), waveOutClose(wave)}),
        Each(WAVERR_STILLPLAYING));
    ASSERT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(a.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    ASSERT_TRUE(dv::testing::PumpMessagesUntil(
        [&] { return (std::atomic_ref(b.dwFlags).load() & WHDR_DONE) != 0; }, 5000));
    for (WAVEHDR* h : {&a, &b}) {
        EXPECT_EQ(waveOutUnprepareHeader(wave, h, sizeof *h), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(waveOutClose(wave), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(wave), MMSYSERR_INVALHANDLE);
    first.insert(first.end(), second.begin(), second.end());  // both, at the left level
    std::ranges::transform(first, first.begin(),
                           [](int s) { return int16_t(s * 0xBFFF / 0xFFFF); });
    const auto* bytes = reinterpret_cast<const uint8_t*>(first.data());
    EXPECT_EQ(Output(0), std::vector<uint8_t>(bytes, bytes + first.size() * 2));
    EXPECT_EQ(Journal(),
              "volume 0x1234bfff\nopen pcm 1 22050 16\nwrite 2204\nwrite 2207\ndone\ndone\n"
              "close\n");
}

TEST_F(Audio, StereoChannelsTakeTheirOwnLevels) {
    ASSERT_EQ(waveOutSetVolume(nullptr, 0x8000FFFFu), MMSYSERR_NOERROR);
    std::vector<uint8_t> frames;
    for (int i = 0; i < 800; ++i) {
        frames.insert(frames.end(), {uint8_t(0xC0 + i % 32), uint8_t(0x20 + i % 16)});
    }
    for (int play = 0; play < 2; ++play) {  // the second on the parked device
        ASSERT_EQ(Open(Pcm(2, 16000, 8), WAVE_MAPPER), MMSYSERR_NOERROR);
        PlayToEndAndClose(frames.data(), frames.size());
    }
    const auto played = Output(0x80);
    ASSERT_GE(played.size(), 2 * frames.size());
    EXPECT_TRUE(std::equal(played.begin(), played.begin() + 1600, played.end() - 1600));
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const int64_t level = i % 2 ? 0x8000 : 0xFFFF;  // left whole, right half
        ASSERT_EQ(played[i], static_cast<uint8_t>((frames[i] - 0x80) * level / 0xFFFF + 0x80)) << i;
    }
}

// An output that will not open falls back, so the buffer still finishes.
TEST_F(Audio, AnOutputThatWillNotOpenFallsBack) {
    std::vector<uint8_t> frames(1600, 0xC0);
    for (auto [variable, value, line] :
         {std::tuple{"SDL_AUDIODRIVER", "no-such-driver", "using the dummy driver\r\n"},
          {"SDL_DISKAUDIOFILE", "/nonexistent-dir/output.raw",
           "Audio: cannot open the output ("}}) {
        ::setenv(variable, value, 1);
        dv::StopSdlAudio();
        log.Clear();
        const MMRESULT opened = Open(Pcm(1, 8000, 8));
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ASSERT_EQ(opened, MMSYSERR_NOERROR);
        EXPECT_TRUE(log.Contains(line)) << log.Text();
        PlayToEndAndClose(frames.data(), frames.size());
        dv::StopSdlAudio();
    }
}

TEST_F(Audio, ResetGivesEveryBufferBackAtOnceNeverToBeReadAgain) {
    ASSERT_EQ(waveOutSetVolume(nullptr, kFull), MMSYSERR_NOERROR);
    const auto tone = Tone16(22050);
    auto buffer = std::make_unique<std::vector<int16_t>>(tone);
    ASSERT_EQ(Open(Pcm(1, 22050, 16)), MMSYSERR_NOERROR);
    WAVEHDR a = Header(buffer->data(), tone.size());
    WAVEHDR b = Header(buffer->data() + tone.size() / 2, tone.size());
    Queue({&a, &b});
    EXPECT_EQ(WaitForSingleObject(event, 100), WAIT_TIMEOUT);
    ASSERT_EQ(waveOutReset(wave), MMSYSERR_NOERROR);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    for (WAVEHDR* h : {&a, &b}) {
        EXPECT_EQ(h->dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
        ASSERT_EQ(waveOutUnprepareHeader(wave, h, sizeof *h), MMSYSERR_NOERROR);
    }
    buffer.reset();  // the sanitizer build sees any late read
    ASSERT_EQ(waveOutClose(wave), MMSYSERR_NOERROR);
    const auto played = Output(0);
    EXPECT_THAT(played.size(), ::testing::AllOf(::testing::Gt(0u), ::testing::Lt(tone.size())));
    EXPECT_EQ(std::memcmp(played.data(), tone.data(), played.size() & ~std::size_t{1}), 0);
    EXPECT_EQ(Journal(),
              "volume 0xffffffff\nopen pcm 1 22050 16\nwrite 22050\nwrite 22050\n"
              "reset\nclose\n");
}

// A process told to end must not wait for a long sound: what is queued, and what is written
// after, comes back unplayed and the wait for it ends, so the device closes as usual.
TEST_F(Audio, TerminationGivesEveryBufferBackSoAWaitForItsEndReturns) {
    std::vector<uint8_t> minute(60 * 8000, 0x80);
    ASSERT_EQ(Open(Pcm(1, 8000, 8)), MMSYSERR_NOERROR);
    WAVEHDR playing = Header(minute.data(), minute.size()), late = playing;
    Queue({&playing});
    auto requester = std::async(std::launch::async, [] { Sleep(50), dv::RequestTermination(); });
    const DWORD start = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(event, 10000), WAIT_OBJECT_0);
    EXPECT_LT(GetTickCount() - start, 2000u);
    requester.get();
    Queue({&late});  // after the request: given back at once
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    for (WAVEHDR* h : {&playing, &late}) {
        EXPECT_EQ(waveOutUnprepareHeader(wave, h, sizeof *h), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(waveOutClose(wave), MMSYSERR_NOERROR);
    dv::ClearTerminationRequest();
    EXPECT_EQ(Journal(), "open pcm 1 8000 8\nwrite 480000\nwrite 480000\nclose\n");
}

TEST_F(Audio, EveryKindOfBadArgumentIsRefusedWithItsCode) {
    const WAVEFORMATEX good = Pcm(1, 8000, 8);
    const auto e = reinterpret_cast<DWORD_PTR>(event);
    HWAVEOUT w = nullptr;
    EXPECT_EQ(waveOutOpen(&w, 0, nullptr, e, 0, CALLBACK_EVENT), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutOpen(&w, 1, &good, e, 0, CALLBACK_EVENT), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutOpen(&w, 0, &good, e, 0, 0x00030000), MMSYSERR_INVALFLAG);
    EXPECT_EQ(waveOutOpen(&w, 0, &good, 0x4321, 0, CALLBACK_EVENT), MMSYSERR_INVALPARAM);
    const WAVEFORMATEX adpcm{2, 1, 8000, 8000, 1, 8, 0}, misaligned{1, 1, 8000, 8000, 4, 8, 0};
    for (const WAVEFORMATEX& bad : {adpcm, misaligned, Pcm(1, 8000, 24), Pcm(6, 8000, 16),
                                    Pcm(0, 8000, 16), Pcm(1, 999, 16), Pcm(2, 384001, 8)}) {
        EXPECT_EQ(waveOutOpen(&w, 0, &bad, e, 0, CALLBACK_EVENT), WAVERR_BADFORMAT)
            << bad.nChannels << " " << bad.wBitsPerSample;
    }
    EXPECT_EQ(w, nullptr);
    const auto stale = reinterpret_cast<HWAVEOUT>(0x7654320);
    WAVEHDR h{};
    EXPECT_THAT(
        (std::vector{waveOutPrepareHeader(stale, &h, sizeof h), waveOutWrite(stale, &h, sizeof h),
                     waveOutUnprepareHeader(stale, &h, sizeof h), waveOutReset(stale),
                     waveOutClose(stale), waveOutSetVolume(stale, 0)}),
        Each(MMSYSERR_INVALHANDLE));
    EXPECT_EQ(waveOutSetVolume(reinterpret_cast<HWAVEOUT>(1), 0), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(Journal(), "");
    ASSERT_EQ(Open(good), MMSYSERR_NOERROR);
    std::vector<uint8_t> data(80, 0x90);
    h = Header(data.data(), data.size());
    EXPECT_EQ(waveOutPrepareHeader(wave, nullptr, sizeof h), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutPrepareHeader(wave, &h, sizeof h - 1), MMSYSERR_INVALPARAM);
    WAVEHDR noData = Header(nullptr, 4);
    EXPECT_EQ(waveOutPrepareHeader(wave, &noData, sizeof noData), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutWrite(wave, &h, sizeof h), WAVERR_UNPREPARED);
    ASSERT_EQ(waveOutSetVolume(wave, 0x6FFF6FFFu), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutGetVolume(wave, nullptr), MMSYSERR_INVALPARAM);
    ASSERT_EQ(waveOutClose(wave), MMSYSERR_NOERROR);
    for (const WAVEFORMATEX& edge : {Pcm(1, 1000, 8), Pcm(2, 384000, 16)}) {
        ASSERT_EQ(Open(edge), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutClose(wave), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(Journal(),
              "open pcm 1 8000 8\nvolume 0x6fff6fff\nclose\nopen pcm 1 1000 8\nclose\n"
              "open pcm 2 384000 16\nclose\n");
}

// The output of last resort keeps time: a buffer of 0.2 s is played no sooner, then given back.
TEST(TimedAudio, ABufferIsGivenBackOnceItsLengthHasPassed) {
    const std::atomic<DWORD> volume{kFull};
    std::promise<bool> done;
    dv::WaveQueue queue({1, 8000, 8}, volume, [&done](bool played) { done.set_value(played); });
    std::vector<char> samples(1600, 1);
    WAVEHDR header = Audio::Header(samples.data(), samples.size());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(queue.Prepare(&header), MMSYSERR_NOERROR);
    ASSERT_EQ(queue.Write(&header, [] {}), MMSYSERR_NOERROR);
    const dv::TimedAudioOutput output(queue);
    auto finished = done.get_future();
    ASSERT_EQ(finished.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(finished.get());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

}  // namespace
}  // namespace dv::test

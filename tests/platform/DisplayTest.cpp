// The screen's event wait without a display: it ends on a wake from any
// thread or at its timeout, and a wake that came first is not lost. The
// panel's place on a full-screen display, and the pen's way back from it.
#include <chrono>
#include <fstream>
#include <thread>

#include "Support.h"
#include "platform/display/Display.h"
#include "platform/display/Letterbox.h"

namespace dv::test {
namespace {

using Clock = std::chrono::steady_clock;

class Display : public PlatformTest {};

TEST_F(Display, WaitWithoutADisplayEndsOnWakeOrTimeout) {
    auto t0 = Clock::now();
    dv::display::WaitEvents(30);
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(25));
    std::thread waker([] { dv::display::Wake(); });
    dv::display::WaitEvents(-1);  // returns only because of the wake
    waker.join();
    dv::display::Wake();
    t0 = Clock::now();
    dv::display::WaitEvents(5000);
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(4));
}

TEST_F(Display, ADialogOpensTheScreenAndEmptyRectanglesPresentNothing) {
    const std::string logFile = runtime.string() + "-display.log";
    const std::string frames = runtime.string() + "-frames.log";
    ::setenv("DIALVANE_LOG", logFile.c_str(), 1);
    ::setenv("DIALVANE_FRAME_LOG", frames.c_str(), 1);
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);  // whatever desktop the machine has
    Peer peer("display");
    ::unsetenv("DIALVANE_LOG");
    ::unsetenv("DIALVANE_FRAME_LOG");
    EXPECT_EQ(peer.ReadLine(), "display 1");
    EXPECT_EQ(peer.Wait(), 0);
    const auto read = [](const std::string& file) {
        std::ifstream in(file);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_THAT(read(logFile), ::testing::HasSubstr("SDL video driver is offscreen"));
    const std::string presented = read(frames);
    EXPECT_THAT(presented, ::testing::HasSubstr(" present 0 0 5 5\n"));
    EXPECT_EQ(presented.find("present 10 "), std::string::npos) << presented;
    EXPECT_EQ(presented.find("present 480 "), std::string::npos) << presented;
    std::filesystem::remove(logFile);
    std::filesystem::remove(frames);
}

using dv::display::FitPanel;
using dv::display::ScaleFilter;
using dv::display::ScaleMode;
using dv::display::ToPanel;

struct Fit {
    int displayWidth, displayHeight;
    ScaleMode mode;
    int x, y, width, height;
    double scale;
    ScaleFilter filter;
};

constexpr auto kFit = ScaleMode::Fit;
constexpr auto kInteger = ScaleMode::Integer;
constexpr auto kCrisp = ScaleFilter::Nearest;
constexpr auto kSmooth = ScaleFilter::Linear;

constexpr Fit kFits[] = {
    {800, 480, kFit, 0, 45, 800, 390, 800 / 480.0, kSmooth},
    {800, 480, kInteger, 160, 123, 480, 234, 1, kCrisp},
    {1024, 600, kFit, 0, 50, 1024, 499, 1024 / 480.0, kSmooth},
    {1024, 600, kInteger, 32, 66, 960, 468, 2, kCrisp},
    {1280, 720, kFit, 0, 48, 1280, 624, 1280 / 480.0, kSmooth},
    {1280, 720, kInteger, 160, 126, 960, 468, 2, kCrisp},
    {480, 234, kFit, 0, 0, 480, 234, 1, kCrisp},
    {480, 234, kInteger, 0, 0, 480, 234, 1, kCrisp},
    {1920, 1080, kFit, 0, 72, 1920, 936, 4, kCrisp},
    {1920, 1080, kInteger, 0, 72, 1920, 936, 4, kCrisp},
    {600, 1024, kFit, 0, 365, 600, 293, 1.25, kSmooth},
    {600, 1024, kInteger, 60, 395, 480, 234, 1, kCrisp},
    // A wide display limits the height; a small one shrinks the panel in
    // either mode; one of no size (a failed query) gets it at scale 1.
    {1280, 400, kFit, 229, 0, 821, 400, 400 / 234.0, kSmooth},
    {320, 240, kInteger, 0, 42, 320, 156, 320 / 480.0, kSmooth},
    {0, 0, kFit, 0, 0, 480, 234, 1, kCrisp},
};

// The box at the largest scale that fits, and each point's way back to the
// panel pixel under it, the border outside.
TEST_F(Display, ThePanelFillsTheDisplayCentredAndPointsMapBackToItsPixels) {
    for (const Fit& fit : kFits) {
        SCOPED_TRACE(std::to_string(fit.displayWidth) + " x " + std::to_string(fit.displayHeight) +
                     (fit.mode == kInteger ? " integer" : " fit"));
        const auto box = FitPanel(fit.displayWidth, fit.displayHeight, fit.mode);
        EXPECT_EQ(std::tuple(box.x, box.y, box.width, box.height, box.filter),
                  std::tuple(fit.x, fit.y, fit.width, fit.height, fit.filter));
        EXPECT_DOUBLE_EQ(box.scale, fit.scale);
        const int right = box.x + box.width - 1;
        const int bottom = box.y + box.height - 1;
        const auto first = ToPanel(box, box.x, box.y);
        const auto last = ToPanel(box, right, bottom);
        EXPECT_TRUE(first.x == 0 && first.y == 0 && first.inside);
        EXPECT_TRUE(last.x == 479 && last.y == 233 && last.inside);
        // Past each edge: outside, and one panel pixel beyond it.
        const auto before = ToPanel(box, box.x - 1, box.y - 1);
        const auto after = ToPanel(box, right + 1, bottom + 1);
        EXPECT_TRUE(before.x == -1 && before.y == -1 && !before.inside);
        EXPECT_TRUE(after.x == 480 && after.y == 234 && !after.inside);
        EXPECT_FALSE(ToPanel(box, box.x + box.width / 2, bottom + 1).inside);
        EXPECT_FALSE(ToPanel(box, right + 1, box.y + box.height / 2).inside);
        // The display pixel at the middle of each panel pixel leads back to it.
        for (int i = 0; i < 480 && box.scale >= 1; ++i) {
            ASSERT_EQ(ToPanel(box, box.x + static_cast<int>((i + 0.5) * box.width / 480), box.y).x,
                      i);
            if (i < 234) {
                const int shown = box.y + static_cast<int>((i + 0.5) * box.height / 234);
                ASSERT_EQ(ToPanel(box, box.x, shown).y, i);
            }
        }
    }
}

}  // namespace
}  // namespace dv::test

// The screen's event wait without a display: it ends on a wake from any
// thread or at its timeout, and a wake that came first is not lost. The
// panel's place on a full-screen display, and the pen's way back from it.
#include <chrono>
#include <thread>

#include "Support.h"
#include "platform/display/Display.h"
#include "platform/display/Letterbox.h"

namespace dv::test {
namespace {

using Clock = std::chrono::steady_clock;
using ::testing::AllOf, ::testing::ContainsRegex, ::testing::HasSubstr, ::testing::Not;

class Display : public PlatformTest {};

TEST_F(Display, WaitWithoutADisplayEndsOnAWakeOrItsTimeout) {
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

TEST_F(Display, ADialogOpensTheScreenWhereEmptyRectanglesPresentNothing) {
    ::setenv("DIALVANE_LOG", (root / "display.log").c_str(), 1);
    ::setenv("DIALVANE_FRAME_LOG", (root / "frames.log").c_str(), 1);
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);  // whatever desktop the machine has
    Peer peer("display");
    ::unsetenv("DIALVANE_LOG");
    ::unsetenv("DIALVANE_FRAME_LOG");
    EXPECT_EQ(peer.ReadLine(), "display 1");
    EXPECT_EQ(peer.Wait(), 0);
    EXPECT_THAT(root.ReadFile("display.log"), HasSubstr("SDL video driver is offscreen"));
    EXPECT_THAT(root.ReadFile("frames.log"),
                AllOf(HasSubstr(" present 0 0 5 5\n"), HasSubstr(" present 100 50 106 55\n"),
                      HasSubstr(" present 476 231 480 234\n"),
                      ContainsRegex(" present 30[0-9] 19[0-9] "),  // of the W
                      Not(HasSubstr("present 10 ")), Not(HasSubstr("present 480 "))));
}

TEST_F(Display, EachInputOfTheDisplayReachesItsHandler) {
    Peer peer("pen");
    std::string lines;
    for (std::string line; !(line = peer.ReadLine()).empty();) {
        lines += line + "|";
    }
    EXPECT_EQ(lines,
              "display 1|d 50 25|m 100 50|u -2 250|d 240 58|m 360 117|u 480 234|cancel|cancel|"
              "close|close|");
    EXPECT_EQ(peer.Wait(), 0);
}

using namespace dv::display;

constexpr auto kCrisp = ScaleFilter::Nearest, kSmooth = ScaleFilter::Linear;

struct Fit {
    int displayWidth, displayHeight;
    Letterbox fit, integer;  // the box in each mode
};

constexpr Fit kFits[] = {
    {800, 480, {0, 45, 800, 390, 800 / 480.0, kSmooth}, {160, 123, 480, 234, 1, kCrisp}},
    {1024, 600, {0, 50, 1024, 499, 1024 / 480.0, kSmooth}, {32, 66, 960, 468, 2, kCrisp}},
    {480, 234, {0, 0, 480, 234, 1, kCrisp}, {0, 0, 480, 234, 1, kCrisp}},
    // A wide display limits the height; a small one shrinks the panel in
    // either mode; one of no size (a failed query) gets it at scale 1.
    {1280, 400, {229, 0, 821, 400, 400 / 234.0, kSmooth}, {400, 83, 480, 234, 1, kCrisp}},
    {320, 240, {0, 42, 320, 156, 320 / 480.0, kSmooth}, {0, 42, 320, 156, 320 / 480.0, kSmooth}},
    {0, 0, {0, 0, 480, 234, 1, kCrisp}, {0, 0, 480, 234, 1, kCrisp}},
};

std::tuple<int, int, bool> At(const Letterbox& box, int x, int y) {
    const auto point = ToPanel(box, x, y);
    return {point.x, point.y, point.inside};
}

// The box at the largest scale that fits, and each point's way back to the panel pixel under it,
// the border outside.
TEST_F(Display, ThePanelIsCentredAtTheLargestScaleThatFitsWithEveryPointLeadingBackToItsPixel) {
    for (const auto& [width, height, fit, integer] : kFits) {
        for (const auto& [mode, want, name] :
             {std::tuple{ScaleMode::Fit, fit, "fit"}, {ScaleMode::Integer, integer, "integer"}}) {
            SCOPED_TRACE(::testing::Message() << width << " x " << height << " " << name);
            const auto box = FitPanel(width, height, mode);
            EXPECT_EQ(std::tuple(box.x, box.y, box.width, box.height, box.filter),
                      std::tuple(want.x, want.y, want.width, want.height, want.filter));
            EXPECT_DOUBLE_EQ(box.scale, want.scale);
            const int right = box.x + box.width - 1, bottom = box.y + box.height - 1;
            EXPECT_EQ(At(box, box.x, box.y), std::tuple(0, 0, true));
            EXPECT_EQ(At(box, right, bottom), std::tuple(479, 233, true));
            // Past each edge: outside, and one panel pixel beyond it.
            EXPECT_EQ(At(box, box.x - 1, box.y - 1), std::tuple(-1, -1, false));
            EXPECT_EQ(At(box, right + 1, bottom + 1), std::tuple(480, 234, false));
            EXPECT_FALSE(std::get<2>(At(box, box.x + box.width / 2, bottom + 1)));
            EXPECT_FALSE(std::get<2>(At(box, right + 1, box.y + box.height / 2)));
            // The display pixel at the middle of each panel pixel leads back to it.
            for (int i = 0, j = 0; i < 480 && box.scale >= 1; ++i, j = std::min(i, 233)) {
                ASSERT_EQ(At(box, box.x + static_cast<int>((i + 0.5) * box.width / 480),
                             box.y + static_cast<int>((j + 0.5) * box.height / 234)),
                          std::tuple(i, j, true));
            }
        }
    }
    EXPECT_EQ(FitPanel(1, 1, ScaleMode::Fit).width, 1);  // shrunk into a display of one pixel
}

}  // namespace
}  // namespace dv::test

// The screen's event wait without a display: it ends on a wake from any
// thread or at its timeout, and a wake that came first is not lost.
#include <chrono>
#include <fstream>
#include <thread>

#include "Support.h"
#include "platform/testing/PlatformProbes.h"

namespace dv::test {
namespace {

using Clock = std::chrono::steady_clock;

class Display : public PlatformTest {};

TEST_F(Display, WaitWithoutADisplayEndsOnWakeOrTimeout) {
    auto t0 = Clock::now();
    dv::testing::WaitScreenEvents(30);
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(25));
    std::thread waker([] { dv::testing::WakeScreen(); });
    dv::testing::WaitScreenEvents(-1);  // returns only because of the wake
    waker.join();
    dv::testing::WakeScreen();
    t0 = Clock::now();
    dv::testing::WaitScreenEvents(5000);
    EXPECT_LT(Clock::now() - t0, std::chrono::seconds(4));
}

TEST_F(Display, ADialogOpensTheScreen) {
    const std::string logFile = runtime.string() + "-display.log";
    ::setenv("DIALVANE_LOG", logFile.c_str(), 1);
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);  // whatever desktop the machine has
    Peer peer("display");
    ::unsetenv("DIALVANE_LOG");
    EXPECT_EQ(peer.ReadLine(), "display 1");
    EXPECT_EQ(peer.Wait(), 0);
    std::ifstream in(logFile);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(text.find("SDL video driver is offscreen"), std::string::npos) << text;
    std::filesystem::remove(logFile);
}

}  // namespace
}  // namespace dv::test

// The headless display: SDL's offscreen driver, pictures in the window's own
// surface, and a wait that sleeps until woken.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/display/Display.h"

namespace {

int QueuedSdlEvents() {
    SDL_PumpEvents();
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
}

TEST(HeadlessDisplay, WakesLeaveNothingBehindInSdlsQueue) {
    ASSERT_TRUE(dv::display::Open());
    const int before = QueuedSdlEvents();
    // Every message a headless panel receives wakes its wait once.
    for (int i = 0; i < 1000; ++i) {
        dv::display::Wake();
        dv::display::WaitEvents(0);
    }
    EXPECT_LE(QueuedSdlEvents(), before);
    dv::display::Close();
}

TEST(HeadlessDisplay, WaitSleepsUntilWokenFromAnotherThread) {
    ASSERT_TRUE(dv::display::Open());
    std::thread waker([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        dv::display::Wake();
    });
    dv::display::WaitEvents(-1);  // returns only because of the wake
    waker.join();
    dv::display::Present(RECT{0, 0, 480, 234});  // into the window's own surface
    dv::display::Close();
}

}  // namespace

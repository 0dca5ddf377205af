// The message loop: paints, erasing, timers, destruction and quitting.
#include <thread>

#include "WindowTestEnvironment.h"
#include "platform/window/MessageLoop.h"
#include "platform/window/ThreadQueue.h"

namespace dv::test {
namespace {

using dv::testing::PumpMessagesUntil;
using dv::testing::PumpMessagesUntilIdle;
using dv::testing::RecordedMessage;
using dv::testing::TestWindow;
using ::testing::ElementsAre;

constexpr UINT WM_TEST = WM_USER + 7;

class MessageLoopTest : public WindowTest {};

TEST_F(MessageLoopTest, InvalidationsCoalesceIntoOnePaintAfterQueuedMessages) {
    PaintingWindow window(nullptr);
    window.InvalidateRect(nullptr, FALSE);
    window.PostMessage(WM_TEST, 1, 2);
    RECT part{10, 10, 20, 20};
    window.InvalidateRect(&part, FALSE);
    window.Invalidate(FALSE);
    PumpMessagesUntilIdle();
    EXPECT_THAT(MessageIds(window), ElementsAre(WM_TEST, WM_PAINT));
}

TEST_F(MessageLoopTest, EraseBackgroundOnlyForAnInvalidationThatAsksForIt) {
    PaintingWindow window(nullptr);
    window.Invalidate(FALSE);
    PumpMessagesUntilIdle();
    EXPECT_THAT(MessageIds(window), ElementsAre(WM_PAINT));

    window.Clear();
    window.Invalidate(FALSE);
    window.Invalidate(TRUE);
    window.Invalidate(FALSE);
    PumpMessagesUntilIdle();
    // Erasing is asked of the paint pass, from BeginPaint.
    EXPECT_THAT(MessageIds(window), ElementsAre(WM_PAINT, WM_ERASEBKGND));
}

TEST_F(MessageLoopTest, InvalidatingDuringAPaintAsksForAnotherPaint) {
    PaintingWindow window(nullptr);
    window.invalidateWhilePainting = true;
    window.Invalidate(FALSE);
    PumpMessagesUntilIdle();
    EXPECT_THAT(MessageIds(window), ElementsAre(WM_PAINT, WM_PAINT));
}

TEST_F(MessageLoopTest, AHandlerThatDoesNotPaintIsNotAskedAgainForever) {
    TestWindow window(nullptr);  // records WM_PAINT without BeginPaint
    window.Invalidate(FALSE);
    PumpMessagesUntilIdle();
    EXPECT_EQ(window.MessagesOf(WM_PAINT).size(), 1u);
}

TEST_F(MessageLoopTest, TimersTickUntilKilled) {
    TestWindow window(nullptr);
    constexpr UINT_PTR kTimer = 32769;
    ASSERT_EQ(window.SetTimer(kTimer, 10, nullptr), kTimer);
    ASSERT_TRUE(PumpMessagesUntil([&] { return window.MessagesOf(WM_TIMER).size() >= 2; }, 2000));
    EXPECT_EQ(window.MessagesOf(WM_TIMER)[0], (RecordedMessage{WM_TIMER, kTimer, 0}));
    EXPECT_TRUE(window.KillTimer(kTimer));
    EXPECT_FALSE(window.KillTimer(kTimer));
    window.Clear();
    PumpMessagesUntil([] { return false; }, 100);
    EXPECT_TRUE(window.MessagesOf(WM_TIMER).empty());
}

// Records what its handler for WM_DESTROY could see.
class DestroyWatcher : public TestWindow {
public:
    using TestWindow::TestWindow;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_DESTROY) {
            existedDuringDestroy = IsWindow(m_hWnd) != FALSE;
        }
        return TestWindow::WindowProc(message, wParam, lParam);
    }
    bool existedDuringDestroy = false;
};

TEST_F(MessageLoopTest, DestroyWindowSendsDestroyBeforeItReturnsAndDropsLaterMessages) {
    DestroyWatcher window(L"Doomed");
    HWND hwnd = window.m_hWnd;
    window.PostMessage(WM_TEST);  // queued, never handled
    window.SetTimer(1, 1, nullptr);
    ASSERT_TRUE(DestroyWindow(hwnd));
    EXPECT_THAT(MessageIds(window), ElementsAre(WM_DESTROY));
    EXPECT_TRUE(window.existedDuringDestroy);
    EXPECT_EQ(window.m_hWnd, nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(FindWindowW(nullptr, L"Doomed"), nullptr);
    EXPECT_FALSE(PostMessageW(hwnd, WM_TEST, 0, 0));
    EXPECT_EQ(SendMessageW(hwnd, WM_TEST, 0, 0), 0);
    PumpMessagesUntil([] { return false; }, 30);
    EXPECT_THAT(MessageIds(window), ElementsAre(WM_DESTROY));
    EXPECT_FALSE(DestroyWindow(hwnd));
}

TEST_F(MessageLoopTest, QuitEndsTheLoopAfterTheMessagesPostedBeforeIt) {
    TestWindow window(nullptr);
    window.PostMessage(WM_TEST, 1);
    PostQuitMessage(3);
    window.Invalidate(FALSE);
    dv::window::LoopOptions options;
    EXPECT_EQ(dv::window::RunMessageLoop(options), dv::window::LoopEnd::Quit);
    EXPECT_EQ(dv::window::CurrentQueue()->QuitCode(), 3);
    // Paints come after the quit.
    EXPECT_THAT(MessageIds(window), ElementsAre(WM_TEST));
}

TEST_F(MessageLoopTest, SendMessageFromAnotherThreadRunsOnTheOwnerThread) {
    TestWindow window(nullptr, 42);
    HWND hwnd = window.m_hWnd;
    LRESULT result = 0;
    std::thread sender([&] { result = SendMessageW(hwnd, WM_TEST, 5, 6); });
    ASSERT_TRUE(PumpMessagesUntil([&] { return !window.MessagesOf(WM_TEST).empty(); }, 2000));
    sender.join();
    EXPECT_EQ(result, 42);
}

TEST_F(MessageLoopTest, PtInRectIncludesLeftAndTopOnly) {
    RECT r{10, 20, 30, 40};
    EXPECT_TRUE(PtInRect(&r, POINT{10, 20}));
    EXPECT_TRUE(PtInRect(&r, POINT{29, 39}));
    EXPECT_FALSE(PtInRect(&r, POINT{30, 39}));
    EXPECT_FALSE(PtInRect(&r, POINT{29, 40}));
    EXPECT_FALSE(PtInRect(&r, POINT{9, 20}));
    EXPECT_FALSE(PtInRect(nullptr, POINT{10, 20}));
}

TEST_F(MessageLoopTest, ClassTableKeepsTheDialogClassAcrossReRegistration) {
    WNDCLASSW wc{};
    ASSERT_TRUE(GetClassInfoW(nullptr, L"Dialog", &wc));
    const UINT original = wc.style;
    ASSERT_TRUE(UnregisterClassW(L"Dialog", nullptr));
    EXPECT_FALSE(UnregisterClassW(L"Dialog", nullptr));
    WNDCLASSW missing{};
    EXPECT_FALSE(GetClassInfoW(nullptr, L"Dialog", &missing));
    // The name read before unregistering is still good to register with.
    wc.style |= CS_DBLCLKS;
    EXPECT_NE(RegisterClassW(&wc), 0u);
    EXPECT_EQ(RegisterClassW(&wc), 0u);
    WNDCLASSW again{};
    ASSERT_TRUE(GetClassInfoW(nullptr, L"Dialog", &again));
    EXPECT_EQ(again.style, original | CS_DBLCLKS);
    UnregisterClassW(L"Dialog", nullptr);
    wc.style = original;
    RegisterClassW(&wc);
}

}  // namespace
}  // namespace dv::test

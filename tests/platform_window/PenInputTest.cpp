// Pen input: the messages it becomes, the double-click rule and capture by a
// full-screen screen of the platform.
#include <thread>

#include "WindowTestEnvironment.h"
#include "platform/window/PenInput.h"

namespace dv::test {
namespace {

using dv::testing::PumpMessagesUntilIdle;
using dv::testing::RecordedMessage;
using dv::testing::TestWindow;
using ::testing::ElementsAre;

// Registers the dialog class with or without the double-click style for the
// length of a test.
class DialogClassStyle {
public:
    explicit DialogClassStyle(bool doubleClicks) {
        GetClassInfoW(nullptr, L"Dialog", &m_original);
        WNDCLASSW changed = m_original;
        changed.style =
            doubleClicks ? (m_original.style | CS_DBLCLKS) : (m_original.style & ~CS_DBLCLKS);
        UnregisterClassW(L"Dialog", nullptr);
        RegisterClassW(&changed);
    }
    ~DialogClassStyle() {
        UnregisterClassW(L"Dialog", nullptr);
        RegisterClassW(&m_original);
    }

private:
    WNDCLASSW m_original{};
};

class PenInputTest : public WindowTest {};

TEST_F(PenInputTest, PenBecomesButtonMessagesOfTheActiveWindow) {
    TestWindow behind(nullptr, 0, true);
    TestWindow window(nullptr, 0, true);
    dv::DeliverPenInput(PenAction::Move, 1, 1);  // pen not down: nothing
    dv::DeliverPenInput(PenAction::Down, 10, 20);
    dv::DeliverPenInput(PenAction::Move, 11, 21);
    dv::DeliverPenInput(PenAction::Up, 12, 22);
    dv::DeliverPenInput(PenAction::Move, 13, 23);
    PumpMessagesUntilIdle();
    EXPECT_THAT(window.Messages(),
                ElementsAre(RecordedMessage{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20)},
                            RecordedMessage{WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(11, 21)},
                            RecordedMessage{WM_LBUTTONUP, 0, MAKELPARAM(12, 22)}));
    EXPECT_TRUE(behind.Messages().empty());

    SetForegroundWindow(behind.m_hWnd);
    dv::DeliverPenInput(PenAction::Down, 300, 200);
    dv::DeliverPenInput(PenAction::Up, 300, 200);
    PumpMessagesUntilIdle();
    EXPECT_EQ(behind.Messages().size(), 2u);
}

TEST_F(PenInputTest, AQuickSecondDownNearbyIsADoubleClickWithTheClassStyle) {
    DialogClassStyle style(true);
    TestWindow window(nullptr, 0, true);
    auto tap = [](int x, int y) {
        dv::DeliverPenInput(PenAction::Down, x, y);
        dv::DeliverPenInput(PenAction::Up, x, y);
    };
    tap(100, 100);
    tap(104, 96);  // 4 pixels away on each axis: still a double click
    tap(104, 96);  // a third down starts over
    tap(120, 96);  // too far
    PumpMessagesUntilIdle();
    std::vector<UINT> downs;
    for (const auto& m : window.Messages()) {
        if (m.message != WM_LBUTTONUP) {
            downs.push_back(m.message);
        }
    }
    EXPECT_THAT(downs,
                ElementsAre(WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONDOWN));
}

TEST_F(PenInputTest, ASlowSecondDownIsAnotherDown) {
    DialogClassStyle style(true);
    TestWindow window(nullptr, 0, true);
    dv::DeliverPenInput(PenAction::Down, 50, 50);
    dv::DeliverPenInput(PenAction::Up, 50, 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(550));
    dv::DeliverPenInput(PenAction::Down, 50, 50);
    PumpMessagesUntilIdle();
    EXPECT_TRUE(window.MessagesOf(WM_LBUTTONDBLCLK).empty());
    EXPECT_EQ(window.MessagesOf(WM_LBUTTONDOWN).size(), 2u);
}

TEST_F(PenInputTest, WithoutTheClassStyleEveryDownIsADown) {
    DialogClassStyle style(false);
    TestWindow window(nullptr, 0, true);
    for (int i = 0; i < 2; ++i) {
        dv::DeliverPenInput(PenAction::Down, 50, 50);
        dv::DeliverPenInput(PenAction::Up, 50, 50);
    }
    PumpMessagesUntilIdle();
    EXPECT_TRUE(window.MessagesOf(WM_LBUTTONDBLCLK).empty());
    EXPECT_EQ(window.MessagesOf(WM_LBUTTONDOWN).size(), 2u);
}

TEST_F(PenInputTest, ACaptureTakesThePenAndTheScreenUntilItEnds) {
    TestWindow window(nullptr, 0, true);
    std::vector<std::pair<PenAction, int>> taken;
    int taps = 0;
    {
        dv::PenCapture capture([&](PenAction action, int x, int) {
            taken.emplace_back(action, x);
            taps += action == PenAction::Up ? 1 : 0;
        });
        window.Invalidate(FALSE);
        dv::DeliverPenInput(PenAction::Down, 7, 0);
        dv::DeliverPenInput(PenAction::Up, 8, 0);
        EXPECT_TRUE(dv::PenCaptureActive());
        EXPECT_TRUE(dv::RunNestedLoop([&] { return taps < 1; }));
        EXPECT_TRUE(window.MessagesOf(WM_PAINT).empty());
    }
    EXPECT_FALSE(dv::PenCaptureActive());
    EXPECT_THAT(taken, ElementsAre(std::pair{PenAction::Down, 7}, std::pair{PenAction::Up, 8}));
    EXPECT_TRUE(window.MessagesOf(WM_LBUTTONDOWN).empty());
    PumpMessagesUntilIdle();
    // The window below repaints once the screen is gone.
    EXPECT_EQ(window.MessagesOf(WM_PAINT).size(), 1u);
}

TEST_F(PenInputTest, ACancelDuringACaptureWaitsForItsEnd) {
    TestWindow window(nullptr, 0, true);
    {
        dv::PenCapture capture([](PenAction, int, int) {});
        dv::DeliverCancel();
        PumpMessagesUntilIdle();
        EXPECT_TRUE(window.MessagesOf(WM_CLOSE).empty());
    }
    PumpMessagesUntilIdle();
    EXPECT_EQ(window.MessagesOf(WM_CLOSE).size(), 1u);

    bool cancelled = false;
    dv::PenCapture withCancel([](PenAction, int, int) {}, [&] { cancelled = true; });
    dv::DeliverCancel();
    EXPECT_TRUE(cancelled);
}

TEST_F(PenInputTest, ANestedLoopEndsOnQuitAndLeavesItForTheOuterLoop) {
    PostQuitMessage(0);
    EXPECT_FALSE(dv::RunNestedLoop([] { return true; }));
    EXPECT_FALSE(dv::RunNestedLoop([] { return true; }));
}

}  // namespace
}  // namespace dv::test

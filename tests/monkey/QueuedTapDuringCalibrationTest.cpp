// A quick double tap on the touch icon: the second tap reaches the dialog's
// queue before the calibration screen takes the pen (while the launcher is
// told, say), and the screen's own loop then hands it to the dialog. It must
// not start a second calibration: a double tap acts once.
#include "platform/window/PenInput.h"
#include "tests/app/DialogFixture.h"

namespace {

constexpr POINT kTouchIcon = {230, 63};

class QueuedTapDuringCalibrationTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        // As the real screen: it holds the pen, runs a loop of its own (which
        // hands queued messages over, paints none) and, when it ends, leaves
        // the windows needing a repaint.
        dv::SetTouchCalibrationRoutine([this] {
            ++m_calibrations;
            dv::PenCapture capture([](dv::PenAction, int, int) {});
            dv::testing::PumpMessagesUntilIdle();
            return TRUE;
        });
    }

    void Post(UINT message, POINT pt) {
        ::PostMessageW(m_dlg->m_hWnd, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                       MAKELPARAM(pt.x, pt.y));
    }
};

TEST_F(QueuedTapDuringCalibrationTest, DoubleTapOnTheTouchIconCalibratesOnce) {
    CSettingsDlg& dlg = Open();
    Post(WM_LBUTTONDOWN, kTouchIcon);
    Post(WM_LBUTTONUP, kTouchIcon);
    Post(WM_LBUTTONDBLCLK, kTouchIcon);
    Post(WM_LBUTTONUP, kTouchIcon);
    Idle();
    EXPECT_EQ(m_calibrations, 1);
    // (The launcher stand-in shares the thread, so it is repainted too.)
    EXPECT_EQ(m_launcher->MessagesOf(UM_TOUCH_CAL), (std::vector{TouchCal(1), TouchCal(0)}));
    EXPECT_EQ(m_launcher->MessagesOf(UM_SETTINGS_PAGE), std::vector{SettingsPage(PAGE_TOUCH)});
    EXPECT_EQ(dlg.m_nCurPage, PAGE_MAIN);
    EXPECT_EQ(dlg.m_nPressedBtn, BTN_NONE);
}

}  // namespace

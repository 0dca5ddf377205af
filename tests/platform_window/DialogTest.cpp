// The modal dialog: its loop, pre-translation, cancel and destruction.
#include "WindowTestEnvironment.h"
#include "platform/afx/CDialog.h"
#include "platform/window/PenInput.h"

namespace dv::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

constexpr UINT WM_TEST = WM_USER + 9;
constexpr UINT WM_CLOSE_ME = WM_USER + 10;
constexpr UINT kTemplate = 102;

// A dialog as the panel's: it quits when destroyed, records what reaches
// its handler and what its pre-translation saw.
class RecordingDialog : public CDialog {
public:
    RecordingDialog() : CDialog(kTemplate) {}

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        initialised = true;
        for (UINT m : toPostAtInit) {
            PostMessage(m);
        }
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        preTranslated.push_back(pMsg->message);
        if (pMsg->wParam == 13) {
            pMsg->wParam = 210;
        }
        return CDialog::PreTranslateMessage(pMsg);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        handled.push_back(message);
        if (message == WM_TEST) {
            lastTestWParam = wParam;
        }
        if (message == WM_CLOSE_ME) {
            return DestroyWindow();
        }
        if (message == WM_DESTROY) {
            PostQuitMessage(0);
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }

    std::vector<UINT> toPostAtInit;
    std::vector<UINT> preTranslated;
    std::vector<UINT> handled;
    WPARAM lastTestWParam = 0;
    bool initialised = false;
};

class DialogTest : public WindowTest {};

TEST_F(DialogTest, DoModalRunsUntilTheDialogIsDestroyed) {
    RecordingDialog dialog;
    dialog.toPostAtInit = {WM_TEST, WM_CLOSE_ME};
    dialog.DoModal();
    EXPECT_TRUE(dialog.initialised);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_THAT(dialog.handled, Contains(WM_TEST));
    EXPECT_THAT(dialog.handled, Contains(WM_DESTROY));
    // Posted messages pass the dialog's pre-translation first.
    EXPECT_THAT(dialog.preTranslated, Contains(WM_TEST));
    EXPECT_THAT(dialog.preTranslated, Contains(WM_CLOSE_ME));
}

TEST_F(DialogTest, PreTranslationCanRewriteAMessageBeforeItIsHandled) {
    RecordingDialog dialog;
    dialog.Create(kTemplate);
    dialog.PostMessage(WM_TEST, 13);
    dv::testing::PumpMessagesUntilIdle();  // no pre-translation outside DoModal
    EXPECT_EQ(dialog.lastTestWParam, 13u);
    dialog.PostMessage(WM_TEST, 13);
    dialog.PostMessage(WM_CLOSE_ME);
    dialog.DoModal();
    EXPECT_EQ(dialog.lastTestWParam, 210u);
}

TEST_F(DialogTest, SentMessagesSkipPreTranslation) {
    RecordingDialog dialog;
    dialog.Create(kTemplate);
    dialog.SendMessage(WM_TEST, 1);
    dialog.PostMessage(WM_CLOSE_ME);
    dialog.DoModal();
    EXPECT_THAT(dialog.handled, Contains(WM_TEST));
    EXPECT_THAT(dialog.preTranslated, Not(Contains(WM_TEST)));
}

TEST_F(DialogTest, EscapeCancelsThroughTheNormalDestruction) {
    RecordingDialog dialog;
    dialog.Create(kTemplate);
    dialog.PostMessage(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_THAT(dialog.handled, Contains(WM_DESTROY));
}

TEST_F(DialogTest, EnterRewrittenByTheDialogDoesNotEndIt) {
    RecordingDialog dialog;
    dialog.Create(kTemplate);
    dialog.PostMessage(WM_KEYDOWN, VK_RETURN);  // becomes 210 before the base
    dialog.PostMessage(WM_CLOSE_ME);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_THAT(dialog.handled, Contains(WM_KEYDOWN));
}

TEST_F(DialogTest, TheHostWindowsCloseBoxCancelsTheActiveDialog) {
    RecordingDialog dialog;
    dialog.Create(kTemplate);
    dv::DeliverCancel();
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_THAT(dialog.handled, Contains(WM_CLOSE));
    EXPECT_THAT(dialog.handled, Contains(WM_DESTROY));
}

TEST_F(DialogTest, CreationAsksForAFirstPaintThatErases) {
    RecordingDialog dialog;
    dialog.Create(kTemplate);
    dv::testing::PumpMessagesUntilIdle();
    EXPECT_THAT(dialog.handled, Contains(WM_PAINT));
    EXPECT_THAT(dialog.handled, Contains(WM_ERASEBKGND));
    dialog.DestroyWindow();
}

TEST_F(DialogTest, TheTitleIsWhatFindWindowMatches) {
    RecordingDialog dialog;
    dialog.Create(kTemplate);
    EXPECT_EQ(FindWindowW(nullptr, L"Dialvane Test"), nullptr);
    dialog.SetWindowText(L"Dialvane Test");
    EXPECT_EQ(FindWindowW(nullptr, L"Dialvane Test"), dialog.m_hWnd);
    EXPECT_EQ(FindWindowW(L"Dialog", L"Dialvane Test"), dialog.m_hWnd);
    EXPECT_EQ(FindWindowW(L"Other", L"Dialvane Test"), nullptr);
    dialog.DestroyWindow();
    EXPECT_EQ(FindWindowW(nullptr, L"Dialvane Test"), nullptr);
}

}  // namespace
}  // namespace dv::test

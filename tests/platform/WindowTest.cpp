// Windows, the message loop, timers, the pen and the modal dialog.
#include <future>

#include "Support.h"
#include "platform/WinUser.h"
#include "platform/afx/CDialog.h"
#include "platform/afx/CPaintDC.h"
#include "platform/window/PenInput.h"

namespace dv::test {
namespace {

using namespace dv::testing;
using ::testing::ElementsAre;

constexpr UINT WM_TEST = WM_USER + 7, WM_CLOSE_ME = WM_USER + 10, kTemplate = 102;

// Paints the way a dialog does, and can invalidate again from its paint.
struct PaintingWindow : TestWindow {
    using TestWindow::TestWindow;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        const LRESULT result = TestWindow::WindowProc(message, wParam, lParam);
        if (message == WM_PAINT && paints) {
            CPaintDC dc(this);
            painted = dc.m_ps.rcPaint;
            if (std::exchange(invalidateWhilePainting, false)) {
                Invalidate(FALSE);
            }
        }
        aliveInDestroy |= message == WM_DESTROY && IsWindow(m_hWnd) != FALSE;
        return result;
    }
    bool paints = true, invalidateWhilePainting = false, aliveInDestroy = false;
    RECT painted{};
};

class Window : public PlatformTest {};

TEST_F(Window, PaintsComeAfterQueuedMessagesCoalescedIntoOne) {
    // erase flags, BeginPaint called (else asked once only), invalidate while painting, messages
    const std::tuple<std::vector<BOOL>, bool, bool, std::vector<UINT>> cases[] = {
        {{FALSE, FALSE, FALSE}, true, false, {WM_TEST, WM_PAINT}},
        {{FALSE, TRUE, FALSE}, true, false, {WM_TEST, WM_PAINT, WM_ERASEBKGND}},
        {{FALSE}, true, true, {WM_TEST, WM_PAINT, WM_PAINT}},
        {{}, true, false, {WM_TEST}},
        {{TRUE}, false, false, {WM_TEST, WM_PAINT}},
    };
    for (const auto& [invalidations, paints, again, expected] : cases) {
        PaintingWindow window(nullptr);
        PumpMessagesUntilIdle();
        window.Clear();
        std::tie(window.paints, window.invalidateWhilePainting) = std::tuple(paints, again);
        const RECT parts[] = {{10, 10, 20, 20}, {10, 20, 40, 20}, {20, 10, 20, 40}};
        for (std::size_t i = 0; i < invalidations.size(); ++i) {  // the empty two add nothing
            window.InvalidateRect(&parts[i], invalidations[i]);
        }
        window.PostMessage(WM_TEST, 1, 2);
        PumpMessagesUntilIdle();
        EXPECT_EQ(Ids(window), expected);
        EXPECT_TRUE(invalidations.size() < 3 || window.painted.right + window.painted.bottom == 40);
        window.Clear();  // a paint left undone takes its erase along
        window.paints = true;
        InvalidateRect(nullptr, parts, FALSE);  // every window
        PumpMessagesUntilIdle();
        EXPECT_EQ(Ids(window), std::vector<UINT>{WM_PAINT});
    }
    EXPECT_FALSE(InvalidateRect(reinterpret_cast<HWND>(0x77), nullptr, FALSE));
    {  // a whole-window paint covers the client area, wherever the window stands
        PaintingWindow window(nullptr);
        window.MoveWindow(10, 20, 100, 50, TRUE);
        PumpMessagesUntilIdle();
        const RECT& r = window.painted;
        EXPECT_EQ(std::tuple(r.left, r.top, r.right, r.bottom), std::tuple(0, 0, 100, 50));
    }
}

TEST_F(Window, SendsAndTimersReachTheWindowUntilItIsDestroyed) {
    PaintingWindow window(L"Doomed", 42);  // sends from another thread run on this one
    const HWND hwnd = window.m_hWnd;
    auto sent = std::async(std::launch::async, [&] { return SendMessageW(hwnd, WM_TEST, 5, 6); });
    ASSERT_TRUE(PumpMessagesUntil([&] { return !window.MessagesOf(WM_TEST).empty(); }, 5000));
    EXPECT_EQ(sent.get(), 42);
    EXPECT_EQ(window.MessagesOf(WM_TEST)[0], (RecordedMessage{WM_TEST, 5, 6}));
    EXPECT_EQ(SendMessageW(hwnd, WM_TEST, 7, 8), 42);  // same thread: at once
    constexpr UINT_PTR kTimer = 32769;
    ASSERT_EQ(window.SetTimer(kTimer, 10, nullptr), kTimer);
    ASSERT_TRUE(PumpMessagesUntil([&] { return window.MessagesOf(WM_TIMER).size() >= 2; }, 5000));
    EXPECT_EQ(window.MessagesOf(WM_TIMER)[0], (RecordedMessage{WM_TIMER, kTimer, 0}));
    EXPECT_TRUE(window.KillTimer(kTimer));
    EXPECT_FALSE(window.KillTimer(kTimer));  // then there is none
    EXPECT_EQ(window.ReleaseDC(nullptr), 0);
    window.SetTimer(1, 1, nullptr);
    window.PostMessage(WM_TEST);
    window.Clear();
    EXPECT_EQ(ErrorOf(GetWindowLongPtrW, hwnd, 5), ERROR_INVALID_INDEX);  // no such field
    ASSERT_EQ(DefWindowProcW(hwnd, WM_CLOSE, 0, 0), 0);                   // which destroys it
    EXPECT_TRUE(window.aliveInDestroy);
    EXPECT_EQ(std::tuple(window.m_hWnd, FindWindowW(nullptr, L"Doomed"), IsWindow(hwnd)),
              std::tuple(HWND{}, HWND{}, FALSE));
    EXPECT_THAT(
        (std::vector{
            ErrorOf(SetWindowLongPtrW, hwnd, 0, 1), ErrorOf(GetWindowLongPtrW, hwnd, GWLP_USERDATA),
            ErrorOf(PostMessageW, hwnd, WM_TEST, 0, 0), ErrorOf(SendMessageW, hwnd, WM_TEST, 0, 0),
            ErrorOf(DestroyWindow, hwnd), ErrorOf(MoveWindow, hwnd, 0, 0, 1, 1, FALSE),
            ErrorOf(SetForegroundWindow, hwnd), ErrorOf(SetWindowTextW, hwnd, L"Gone"),
            ErrorOf(KillTimer, hwnd, 1), ErrorOf(SetTimer, hwnd, 2, 1, nullptr)}),
        ::testing::Each(ERROR_INVALID_WINDOW_HANDLE));
    PumpMessagesUntil([] { return false; }, 30);
    EXPECT_EQ(Ids(window), std::vector<UINT>{WM_DESTROY});
}

struct DialogStyle {  // sets or clears the dialog class's CS_DBLCLKS until it ends
    explicit DialogStyle(bool doubleClicks) {
        GetClassInfoW(nullptr, L"Dialog", &original);
        WNDCLASSW changed = original;
        changed.style = (changed.style & ~CS_DBLCLKS) | (doubleClicks ? CS_DBLCLKS : 0);
        Reregister(changed);
    }
    ~DialogStyle() { Reregister(original); }
    static void Reregister(const WNDCLASSW& wc) {
        UnregisterClassW(L"Dialog", nullptr);
        RegisterClassW(&wc);
    }
    WNDCLASSW original{};
};

TEST_F(Window, AClassIsRegisteredOnceWithTheStyleItWasGiven) {
    constexpr DWORD kNoClass = ERROR_CLASS_DOES_NOT_EXIST, kBad = ERROR_INVALID_PARAMETER;
    DialogStyle style(true);
    WNDCLASSW wc{};
    ASSERT_TRUE(GetClassInfoW(nullptr, L"Dialog", &wc));
    EXPECT_EQ(wc.style, style.original.style | CS_DBLCLKS);
    EXPECT_EQ(ErrorOf(RegisterClassW, &wc), ERROR_CLASS_ALREADY_EXISTS);
    ASSERT_TRUE(UnregisterClassW(L"Dialog", nullptr));
    EXPECT_EQ((std::vector{ErrorOf(UnregisterClassW, L"Dialog", nullptr),
                           ErrorOf(GetClassInfoW, nullptr, L"Dialog", &wc),
                           ErrorOf(CreateWindowExW, 0, L"Dialog", nullptr, 0, 0, 0, 1, 1, nullptr,
                                   nullptr, nullptr, nullptr),
                           ErrorOf(RegisterClassW, nullptr),
                           ErrorOf(GetClassInfoW, nullptr, nullptr, &wc),
                           ErrorOf(UnregisterClassW, MAKEINTRESOURCEW(5), nullptr)}),
              (std::vector{kNoClass, kNoClass, ERROR_CANNOT_FIND_WND_CLASS, kBad, kBad, kBad}));
}

// Each size is kept per window (the dialog's two are checked in ScreenTest); no other size is.
TEST_F(Window, AnIconOfNoKnownSizeIsRefused) {
    TestWindow window(nullptr), other(nullptr);
    const HWND hwnd = window.m_hWnd;
    const LPARAM icon = reinterpret_cast<LPARAM>(LoadIconW(nullptr, MAKEINTRESOURCEW(128)));
    EXPECT_EQ(DefWindowProcW(hwnd, WM_SETICON, ICON_BIG + 1, icon), 0);
    DefWindowProcW(hwnd, WM_SETICON, ICON_BIG, icon);
    DefWindowProcW(hwnd, WM_SETICON, ICON_SMALL, 0);
    EXPECT_EQ(std::tuple(DefWindowProcW(hwnd, WM_GETICON, ICON_BIG + 1, 0),
                         DefWindowProcW(other.m_hWnd, WM_GETICON, ICON_BIG, 0),
                         DefWindowProcW(hwnd, WM_GETICON, ICON_BIG, 0)),
              std::tuple(0, 0, icon));
    // Neither window owns the display, so not even the null icon reached it.
    EXPECT_FALSE(log.Contains("Display: SetIcon"));
}

void Tap(int x, int y) {
    dv::DeliverPenInput(dv::PenAction::Down, x, y);
    dv::DeliverPenInput(dv::PenAction::Up, x, y);
}

TEST_F(Window, ThePenBecomesButtonMessagesOfTheActiveWindow) {
    dv::DeliverClose();  // with no window up, the next one to open gets the close
    TestWindow behind(nullptr, 0, true), window(nullptr, 0, true);
    using enum dv::PenAction;  // a move before the down and after the up: nothing
    for (auto [action, x, y] :
         {std::tuple{Move, 1, 1}, {Down, 10, 20}, {Move, 11, -21}, {Up, 12, 22}, {Move, 13, 23}}) {
        dv::DeliverPenInput(action, x, y);
    }
    PumpMessagesUntilIdle();
    EXPECT_THAT(window.Messages(),
                ElementsAre(RecordedMessage{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20)},
                            RecordedMessage{WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(11, -21)},
                            RecordedMessage{WM_LBUTTONUP, 0, MAKELPARAM(12, 22)}));
    EXPECT_EQ(GET_Y_LPARAM(window.Messages()[1].lParam), -21);
    EXPECT_EQ(behind.Messages(), (std::vector{RecordedMessage{WM_CLOSE, 0, 0}}));
    EXPECT_TRUE(SetForegroundWindow(behind.m_hWnd));
    EXPECT_FALSE(SetForegroundWindow(reinterpret_cast<HWND>(0x77)));
    Tap(300, 200);
    PumpMessagesUntilIdle();
    EXPECT_EQ(behind.Messages().size(), 3u);
    // a pause after each tap, CS_DBLCLKS, the taps, the downs (a quick second one nearby doubles)
    const std::tuple<DWORD, bool, std::vector<POINT>, std::vector<UINT>> cases[] = {
        {0,
         true,
         {{100, 100}, {104, 96}, {104, 96}, {120, 96}, {120, 101}},
         {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONDOWN}},
        {0, false, {{50, 50}, {50, 50}}, {WM_LBUTTONDOWN, WM_LBUTTONDOWN}},
        {521, true, {{50, 50}, {50, 50}}, {WM_LBUTTONDOWN, WM_LBUTTONDOWN}},
        {0, true, {{50, 50}, {-1, -1}, {50, 50}}, {WM_LBUTTONDOWN, WM_PAINT, WM_LBUTTONDOWN}},
    };
    for (const auto& [pause, dblclks, taps, expected] : cases) {
        DialogStyle style(dblclks);
        TestWindow tapped(nullptr, 0, true);
        for (POINT p : taps) {  // {-1, -1}: a pen capture begins and ends, and repaints
            p.x < 0 ? void(dv::PenCapture({}, {})) : Tap(p.x, p.y);
            const DWORD start = GetTickCount(), waitMs = pause;
            ASSERT_TRUE(PumpMessagesUntil([&] { return GetTickCount() - start >= waitMs; }, 5000));
        }
        PumpMessagesUntilIdle();
        std::vector<UINT> downs = Ids(tapped);
        std::erase(downs, WM_LBUTTONUP);
        EXPECT_EQ(downs, expected);
    }
}

struct RecordingDialog : CDialog {
    RecordingDialog() : CDialog(kTemplate) {}
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        std::ranges::for_each(toPostAtInit, [this](UINT m) { PostMessage(m); });
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        preTranslated.push_back(pMsg->message);
        // Enter rewritten before the base sees it.
        pMsg->wParam = pMsg->wParam == 13 && rewriteEnter ? 210 : pMsg->wParam;
        return CDialog::PreTranslateMessage(pMsg);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        handled.push_back(message);
        lastWParam = message == WM_TEST ? wParam : lastWParam;
        return message == WM_CLOSE_ME ? DestroyWindow()
                                      : CDialog::WindowProc(message, wParam, lParam);
    }
    // Posts the key, then WM_CLOSE_ME, which ends the dialog if the key did not.
    void KeyThenClose(WPARAM key, bool rewrite = true) {
        rewriteEnter = rewrite;
        PostMessage(WM_KEYDOWN, key);
        PostMessage(WM_CLOSE_ME);
    }
    bool rewriteEnter = true;
    std::vector<UINT> toPostAtInit, preTranslated, handled;
    WPARAM lastWParam = 0;
};

TEST_F(Window, DoModalPreTranslatesPostsUntilEscapeEnterTheCloseBoxOrDestructionEndsIt) {
    // what happens, DoModal's result, a message the dialog must have handled
    const std::tuple<const char*, void (*)(RecordingDialog&), INT_PTR, UINT> cases[] = {
        {"escape", [](RecordingDialog& d) { d.KeyThenClose(VK_ESCAPE); }, IDCANCEL, WM_DESTROY},
        {"escape key", [](RecordingDialog&) { dv::DeliverCancel(); }, IDCANCEL, WM_CLOSE},
        {"close box", [](RecordingDialog&) { dv::DeliverClose(); }, IDCANCEL, WM_CLOSE},
        {"rewritten enter", [](RecordingDialog& d) { d.KeyThenClose(VK_RETURN); }, -1, WM_KEYDOWN},
        {"enter", [](RecordingDialog& d) { d.KeyThenClose(VK_RETURN, false); }, IDOK, WM_DESTROY},
        {"ok", [](RecordingDialog& d) { d.PostMessage(WM_COMMAND, IDOK); }, IDOK, WM_DESTROY},
    };
    for (const auto& [name, act, result, mustHandle] : cases) {
        SCOPED_TRACE(name);
        RecordingDialog dialog;
        ASSERT_TRUE(dialog.Create(kTemplate));
        act(dialog);
        EXPECT_EQ(dialog.DoModal(), result);
        EXPECT_THAT(dialog.handled, ::testing::Contains(mustHandle));
        EXPECT_EQ(dialog.m_hWnd, nullptr);
        ClearPendingQuit();
    }
    // Posted messages are pre-translated only inside DoModal; a dialog paints first.
    RecordingDialog dialog;
    dialog.Create(kTemplate);
    dialog.SetWindowText(L"Dialvane Test");
    EXPECT_EQ(FindWindowW(L"Dialog", L"Dialvane Test"), dialog.m_hWnd);
    EXPECT_EQ(FindWindowW(L"Other", L"Dialvane Test"), nullptr);
    dialog.PostMessage(WM_TEST, 13);
    PumpMessagesUntilIdle();
    EXPECT_EQ(dialog.lastWParam, 13u);
    EXPECT_THAT(dialog.handled, ::testing::IsSupersetOf({WM_PAINT, WM_ERASEBKGND}));
    dialog.SendMessage(WM_TEST, 1);
    dialog.PostMessage(WM_TEST, 13);
    dialog.toPostAtInit = {WM_CLOSE_ME};
    dialog.PostMessage(WM_CLOSE_ME);
    dialog.DoModal();
    EXPECT_EQ(dialog.lastWParam, 210u);
    EXPECT_EQ(std::count(dialog.preTranslated.begin(), dialog.preTranslated.end(), WM_TEST), 1);
    EXPECT_EQ(FindWindowW(nullptr, L"Dialvane Test"), nullptr);
    RecordingDialog modal;  // DoModal without Create makes the window itself
    modal.toPostAtInit = {WM_TEST, WM_CLOSE_ME};
    modal.DoModal();
    EXPECT_THAT(modal.preTranslated, ::testing::IsSupersetOf({WM_TEST, WM_CLOSE_ME}));
}

}  // namespace
}  // namespace dv::test

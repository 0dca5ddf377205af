// Windows of other processes: finding them, sending and posting, peers that
// die, hang or speak garbage, and the requests of dialvane-ctl.

#include <chrono>
#include <future>
#include <memory>

#include "Support.h"
#include "platform/WinUser.h"

namespace dv::test {
namespace {

using namespace dv::testing;
using WireKind = dv::ipc::FrameKind;

constexpr UINT UM_SETTINGS_PAGE = 0x11B0, WM_PROBE = WM_USER + 7;
constexpr LRESULT kAnswer = 9;
constexpr int kWaitMs = 5000;

// Runs requests on another thread while this one serves the window.
void WhileServing(const std::function<void()>& body) {
    const auto peer = std::async(std::launch::async, body);
    EXPECT_TRUE(PumpMessagesUntil(
        [&] { return peer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        3 * kWaitMs));
}

class Ipc : public PlatformTest {};

// A dead, replaced or stopped peer is e2e_peers' launcher (killed, relaunched, SIGSTOPped).
TEST_F(Ipc, ARemoteWindowIsFoundByItsTitleAndGetsMessagesInOrder) {
    Peer peer("window Launcher_Tulvo 42");
    ASSERT_EQ(peer.ReadLine(), "ready");
    const HWND launcher = FindWindowW(nullptr, L"Launcher_Tulvo");
    ASSERT_TRUE(IsWindow(launcher));
    EXPECT_EQ(FindWindowW(nullptr, L"Nobody"), nullptr);
    {  // a title too long for a socket path, or another process's, keeps the window local
        TestWindow local(std::wstring(120, L'x').c_str(), 1), twin(L"Launcher_Tulvo");
        EXPECT_TRUE(log.Contains(" cannot be reached from other processes: the socket path \""));
        EXPECT_TRUE(log.Contains("processes: a window of another process already has this title"));
    }
    // A new process's first pen input, a move with no down before it, reaches no window.
    EXPECT_TRUE(WirePeer::Transact(L"Launcher_Tulvo", WirePeer::Pen(1, 5, 5), kWaitMs));
    EXPECT_TRUE(PostMessageW(launcher, 0x85A, 1, 0));
    EXPECT_TRUE(PostMessageW(launcher, 0x1234, 5, -7));
    EXPECT_EQ(SendMessageW(launcher, UM_SETTINGS_PAGE, 3, 0), 42);
    EXPECT_EQ((std::vector{peer.ReadLine(), peer.ReadLine(), peer.ReadLine()}),
              (std::vector<std::string>{"2138 1 0", "4660 5 -7", "4528 3 0"}));
    EXPECT_TRUE(SetForegroundWindow(launcher));
    EXPECT_EQ(SendMessageW(launcher, UM_SETTINGS_PAGE, 4, 0), 42);
    EXPECT_EQ(peer.ReadLine(), "4528 4 0");  // the raise itself is no message
}

// Each bad frame is dropped with a log line and the connection goes on; a
// bad header ends the connection, as nothing after it can be trusted.
TEST_F(Ipc, AMalformedFrameIsDroppedButABadHeaderClosesTheConnection) {
    TestWindow window(L"Target", kAnswer);
    auto frame = [](auto change, std::vector<uint8_t> bytes =
                                     WirePeer::Message(WireKind::Send, WM_PROBE, 1, 0)) {
        change(bytes);
        return bytes;
    };
    constexpr bool kClose = true, kDrop = false;
    const std::tuple<std::vector<uint8_t>, const char*, bool> cases[] = {
        {frame([](auto& b) { b[6] = 0x42; }), "unknown frame kind 0x42\r\n", kDrop},
        {frame([](auto& b) { b[12] = 8, b.resize(16 + 8); }), "payload of the wrong size", kDrop},
        {WirePeer::Message(WireKind::Reply, 0, 0, 0), "dropped a reply frame", kDrop},
        {frame([](auto& b) { b[16 + 4] = 9; }, WirePeer::Pen(0, 1, 1)), "dropped a frame", kDrop},
        {WirePeer::Shot(std::string("a\0b", 3)), "dropped a frame", kDrop},
        {std::vector<uint8_t>(64, 0xAB), "bad magic 0xabababab\r\n", kClose},
        {frame([](auto& b) { b[4] = 2; }), "version", kClose},
        {frame([](auto& b) { b[15] = 0xFF; }), "oversized payload", kClose},
    };
    for (const auto& [bytes, problem, closes] : cases) {
        SCOPED_TRACE(problem);
        log.Clear();
        WirePeer peer(L"Target");
        ASSERT_TRUE(peer.Write(bytes));
        peer.Write(WirePeer::Message(WireKind::Send, WM_PROBE, 2, 0));
        EXPECT_EQ(peer.ReadReply(kWaitMs), closes ? std::nullopt : std::optional(kAnswer));
        EXPECT_TRUE(log.Contains(problem)) << log.Text();
        EXPECT_EQ(log.Contains("closed the connection from pid "), closes);
        EXPECT_EQ(peer.ClosedByWindow(0), closes);
    }
    EXPECT_EQ(window.Messages(), std::vector<RecordedMessage>(5, RecordedMessage{WM_PROBE, 2, 0}));
}

// Creation, destruction and dialog set-up come only from the window system; a WM_TIMER's
// callback only from the window's own timer. (e2e_security sends and posts them to the panel.)
TEST_F(Ipc, APeerCannotSendWindowSystemMessagesOrForeignTimerCallbacks) {
    TestWindow window(L"Target", kAnswer);
    std::vector<std::optional<LRESULT>> results;
    WhileServing([&] {
        for (UINT message : {WM_INITDIALOG, WM_CREATE, WM_DESTROY, UINT{0x81}, UINT{0x82}}) {
            WirePeer::Transact(L"Target", WirePeer::Message(WireKind::Post, message, 0, 0), 100);
            results.push_back(WirePeer::Transact(
                L"Target", WirePeer::Message(WireKind::Send, message, 0, 0), kWaitMs));
        }
        WirePeer::Transact(L"Target", WirePeer::Message(WireKind::Post, WM_TIMER, 7, 0x41414141),
                           100);
        results.push_back(WirePeer::Transact(
            L"Target", WirePeer::Message(WireKind::Send, WM_PROBE, 0, 0), kWaitMs));
    });
    EXPECT_EQ(results, (std::vector<std::optional<LRESULT>>{0, 0, 0, 0, 0, kAnswer}));
    EXPECT_EQ(window.Messages(), (std::vector<RecordedMessage>{{WM_PROBE, 0, 0}}));
    EXPECT_TRUE(log.Contains("dropped message 0x110 from pid "));
    EXPECT_TRUE(log.Contains(": only the window system sends it"));
    EXPECT_TRUE(log.Contains("dropped a WM_TIMER whose callback is not one of the window's"));
}

// WM_PROBE posts a follow-up and invalidates: an idle reply comes after both.
struct ChainWindow : TestWindow {
    using TestWindow::TestWindow;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        const LRESULT result = TestWindow::WindowProc(message, wParam, lParam);
        if (message == WM_PROBE) {
            PostMessage(WM_PROBE + 1);
            Invalidate(FALSE);
        }
        return result;
    }
};

TEST_F(Ipc, PeerRequestsRunOnTheUiThreadInOrderWithIdleRepliesLast) {
    ChainWindow window(L"Dialvane", 11, true);
    TestWindow second(L"Second", 7);  // a process's second listener is served too
    const std::string png = (runtime / "shot.png").string();
    const std::string folder = (runtime / "folder.png").string();  // cannot be replaced
    std::filesystem::create_directories(folder);
    std::vector<std::optional<LRESULT>> results;
    std::vector<std::size_t> seenBeforeReply;
    WhileServing([&] {
        results.push_back(WirePeer::Transact(
            L"Dialvane", WirePeer::Message(WireKind::Send, WM_PROBE, 0, 0, true), kWaitMs));
        seenBeforeReply = {window.MessagesOf(WM_PROBE + 1).size(),
                           window.MessagesOf(WM_PAINT).size()};
        for (const auto& frame :
             {WirePeer::Pen(0, 30, 40), WirePeer::Pen(2, 31, 41), WirePeer::Shot(png),
              WirePeer::Shot("/nonexistent/dir/x.png"), WirePeer::Shot(folder)}) {
            results.push_back(WirePeer::Transact(L"Dialvane", frame, kWaitMs));
        }
        results.push_back(WirePeer::Transact(
            L"Second", WirePeer::Message(WireKind::Send, WM_PROBE, 0, 0), kWaitMs));
    });
    EXPECT_EQ(seenBeforeReply, (std::vector<std::size_t>{1, 1}));
    EXPECT_EQ(results, (std::vector<std::optional<LRESULT>>{11, 0, 0, 1, 0, 0, 7}));
    EXPECT_FALSE(std::filesystem::exists(folder + ".part"));
    EXPECT_EQ(window.MessagesOf(WM_LBUTTONDOWN),
              (std::vector<RecordedMessage>{{WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 40)}}));
    EXPECT_EQ(window.MessagesOf(WM_LBUTTONUP).size(), 1u);
    EXPECT_GT(std::filesystem::file_size(png), 100u);
}

// Connections cost descriptors: a hoarder gets only so many (that the panel still answers and
// saves with a hoard is e2e_security's).
TEST_F(Ipc, APeerThatHoardsConnectionsGetsOnlySoManyOfThem) {
    constexpr int kHoarded = 200, kLimit = 128;
    TestWindow window(L"Target", kAnswer);
    std::vector<std::unique_ptr<WirePeer>> hoard;
    for (int i = 0; i < kHoarded; ++i) {
        hoard.push_back(std::make_unique<WirePeer>(L"Target"));
        ASSERT_TRUE(hoard.back()->Connected());
    }
    const auto closed = [&] {
        return std::ranges::count_if(hoard, [](auto& peer) { return peer->ClosedByWindow(0); });
    };
    EXPECT_TRUE(PumpMessagesUntil([&] { return closed() >= kHoarded - kLimit; }, kWaitMs));
    EXPECT_LT(closed(), kHoarded);
    EXPECT_TRUE(log.Contains("connections are open already"));
}

}  // namespace
}  // namespace dv::test

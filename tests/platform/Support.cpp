#include "Support.h"

#include <SDL.h>
#include <poll.h>
#include <sys/wait.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <tuple>

#include "platform/Platform.h"
#include "platform/WinUser.h"
#include "platform/afx/CDialog.h"
#include "platform/display/Display.h"
#include "platform/ipc/IpcClient.h"
#include "platform/ipc/RuntimeFolder.h"
#include "platform/testing/GdiSurfaces.h"

namespace dv::test {
namespace {

constexpr char kRoleVariable[] = "DV_PLATFORM_TEST_PEER";
constexpr int kPollSliceMs = 5;
constexpr UINT kDialogTemplate = 102;

class PrintingWindow : public dv::testing::TestWindow {
public:
    using TestWindow::TestWindow;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        const LRESULT answer = TestWindow::WindowProc(message, wParam, lParam);
        if (message != WM_DESTROY) {
            std::printf("%u %lu %ld\n", message, static_cast<unsigned long>(wParam),
                        static_cast<long>(lParam));
        }
        return answer;
    }
};

SDL_Event Mouse(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT, Uint32 which = 0) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
        std::tie(e.motion.which, e.motion.x, e.motion.y) = std::tuple(which, x, y);
    } else {
        std::tie(e.button.which, e.button.button, e.button.x, e.button.y) =
            std::tuple(which, button, x, y);
    }
    return e;
}

SDL_Event Finger(Uint32 type, SDL_FingerID id, float x, float y) {
    SDL_Event e{};
    e.type = type;
    std::tie(e.tfinger.fingerId, e.tfinger.x, e.tfinger.y) = std::tuple(id, x, y);
    return e;
}

SDL_Event Other(Uint32 type, SDL_Keycode sym = 0, Uint8 repeat = 0) {
    SDL_Event e{};
    e.type = type;
    std::tie(e.key.keysym.sym, e.key.repeat) = std::tuple(sym, repeat);
    if (type == SDL_WINDOWEVENT) {
        e.window.event = SDL_WINDOWEVENT_CLOSE;
    }
    return e;
}

// Pointer and touch at once, foreign buttons and fingers, keys and the close
// box, as SDL hands them over in a window at scale 2.
void PrintPenInput() {
    // clang-format off
    const SDL_Event events[] = {
        Mouse(SDL_MOUSEBUTTONDOWN, 101, 51), Finger(SDL_FINGERDOWN, 1, 0.5f, 0.5f),
        Mouse(SDL_MOUSEMOTION, 201, 101), Mouse(SDL_MOUSEMOTION, 9, 9, 0, SDL_TOUCH_MOUSEID),
        Mouse(SDL_MOUSEBUTTONUP, -3, 500), Mouse(SDL_MOUSEMOTION, 50, 50),
        Mouse(SDL_MOUSEBUTTONDOWN, 9, 9, SDL_BUTTON_RIGHT),
        Mouse(SDL_MOUSEBUTTONDOWN, 9, 9, SDL_BUTTON_LEFT, SDL_TOUCH_MOUSEID),
        Finger(SDL_FINGERDOWN, 7, 0.5f, 0.25f), Mouse(SDL_MOUSEBUTTONDOWN, 20, 20),
        Finger(SDL_FINGERMOTION, 8, 0.1f, 0.1f), Finger(SDL_FINGERMOTION, 7, 0.75f, 0.5f),
        Finger(SDL_FINGERUP, 8, 0, 0), Finger(SDL_FINGERUP, 7, 1, 1),
        Mouse(SDL_MOUSEBUTTONUP, 20, 20), Other(SDL_KEYDOWN, SDLK_ESCAPE),
        Other(SDL_KEYDOWN, SDLK_ESCAPE, 1), Other(SDL_KEYDOWN, SDLK_ESCAPE),
        Other(SDL_KEYDOWN, SDLK_RETURN), Other(SDL_WINDOWEVENT), Other(SDL_QUIT)};
    // clang-format on
    for (SDL_Event e : events) {
        SDL_PushEvent(&e);
    }
    dv::display::WaitEvents(0, {[](PenAction action, int x, int y) {
                                    std::printf("%c %d %d\n", "dmu"[int(action)], x, y);
                                },
                                [] { std::printf("cancel\n"); }, [] { std::printf("close\n"); }});
}

int RunPeer(const std::string& role) {
    std::istringstream words(role);
    std::string kind, name, answer;
    words >> kind >> name >> answer;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each line reaches the test at once
    if (kind == "display") {                   // the dialog opens the screen
        CDialog dialog(kDialogTemplate);
        dialog.Create(kDialogTemplate);
        for (RECT r :
             {RECT{10, 10, 10, 20}, RECT{10, 20, 30, 20}, RECT{480, 0, 500, 9}, RECT{0, 0, 5, 5}}) {
            dv::display::Present(r);
        }
        HDC screen = GetDC(nullptr);  // text without a background presents its glyphs, all of them
        SetBkMode(screen, TRANSPARENT);
        RECT text{300, 196, 400, 234};
        DrawTextW(screen, L".W", -1, &text, DT_LEFT);
        // A blit presents what it wrote, cut to the screen.
        const dv::testing::GdiMemorySurface memory(9, 9);
        BitBlt(screen, 100, 50, 6, 5, memory.dc(), 0, 0, SRCCOPY);
        BitBlt(screen, 476, 231, 6, 5, memory.dc(), 0, 0, SRCCOPY);
        ReleaseDC(nullptr, screen);
        std::printf("display %d\n", dv::display::IsOpen() ? 1 : 0);
        return 0;
    }
    if (kind == "pen") {
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);  // a window that reads SDL's events
        ::setenv("DIALVANE_SCALE", "2", 1);
        std::printf("display %d\n", dv::display::Open() ? 1 : 0);
        PrintPenInput();
        return 0;
    }
    dv::display::Disable();
    if (kind == "window") {
        PrintingWindow window(dv::Utf8ToWide(name).c_str(), std::atol(answer.c_str()), true);
        std::printf("ready\n");
        dv::testing::PumpMessagesUntil([] { return false; }, 60000);
        return 0;
    }
    HANDLE mutex = CreateMutexW(nullptr, TRUE, dv::Utf8ToWide(name).c_str());
    std::printf("%s %lu\n", mutex != nullptr ? "handle" : "null",
                static_cast<unsigned long>(GetLastError()));
    ::pause();  // holding the mutex until killed
    return 0;
}

dv::ipc::RemoteWindow SocketOf(const wchar_t* title) {
    std::string path = dv::ipc::WindowSocketPath(title).string();
    return dv::ipc::RemoteWindow{path, dv::ipc::SocketIdentity(path).value_or(0)};
}

std::optional<dv::ipc::Frame> DecodeOne(std::span<const uint8_t> bytes) {
    dv::ipc::FrameDecoder decoder;
    decoder.Feed(bytes);
    auto result = decoder.Next();
    return result.status == dv::ipc::FrameDecoder::Status::Frame ? std::optional(result.frame)
                                                                 : std::nullopt;
}

std::vector<uint8_t> Encoded(dv::ipc::Frame frame, bool replyWhenIdle) {
    frame.flags = replyWhenIdle ? dv::ipc::kFlagReplyWhenIdle : 0;
    return dv::ipc::EncodeFrame(frame);
}

[[maybe_unused]] const bool kRanAsPeer = [] {
    if (const char* role = std::getenv(kRoleVariable)) {
        std::_Exit(RunPeer(role));
    }
    return false;
}();

}  // namespace

void PlatformTest::SetUp() {
    static int counter = 0;
    dv::display::Disable();
    if (::fcntl(STDIN_FILENO, F_GETFD) == -1) {  // so that descriptor 0 is ours to watch
        ::open("/dev/null", O_RDONLY);
    }
    runtime = std::filesystem::temp_directory_path() /
              ("dv-ptest-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(runtime);
    ::setenv("DIALVANE_RUNTIME", runtime.c_str(), 1);
}

Peer::Peer(const std::string& role) {
    int ends[2] = {-1, -1};  // the peer's stdin and stdout are one socket
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(ends[1], STDIN_FILENO);
        ::dup2(ends[1], STDOUT_FILENO);
        ::setenv(kRoleVariable, role.c_str(), 1);
        // Under qemu-user (a cross build's tests) the program is run by the
        // emulator again; /proc/self/exe would be the emulator itself.
        if (const char* emulator = std::getenv("DV_TEST_EMULATOR"); emulator && *emulator) {
            char self[PATH_MAX] = {};
            if (::readlink("/proc/self/exe", self, sizeof self - 1) > 0) {
                ::execlp(emulator, emulator, "-0", "peer", self, static_cast<char*>(nullptr));
            }
        }
        ::execl("/proc/self/exe", "peer", static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(ends[1]);
    m_fd = ends[0];
}

Peer::~Peer() {
    Signal(SIGKILL);
    Wait();
    ::close(m_fd);
}

std::string Peer::ReadLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t newline;
    while ((newline = m_buffered.find('\n')) == std::string::npos) {
        pollfd waiter{m_fd, POLLIN, 0};
        char buffer[256];
        ssize_t n = 0;
        if (std::chrono::steady_clock::now() >= deadline ||
            (::poll(&waiter, 1, kPollSliceMs) > 0 && (n = ::read(m_fd, buffer, 256)) <= 0)) {
            return {};
        }
        m_buffered.append(buffer, static_cast<std::size_t>(n));
    }
    std::string line = m_buffered.substr(0, newline);
    m_buffered.erase(0, newline + 1);
    return line;
}

int ExitStatusOf(pid_t pid) {
    int status = 0;
    const bool ended = pid > 0 && ::waitpid(pid, &status, 0) > 0 && WIFEXITED(status);
    return ended ? WEXITSTATUS(status) : -1;
}

std::vector<int> InChildrenAtOnce(int count, const std::function<bool(int)>& body) {
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::_exit(body(i) ? 0 : 1);
        }
        children.push_back(pid);
    }
    std::vector<int> statuses(children.size());
    std::ranges::transform(children, statuses.begin(), ExitStatusOf);
    return statuses;
}

WirePeer::WirePeer(const wchar_t* title) {
    UniqueFd fd;
    const auto result = dv::ipc::ConnectTo(SocketOf(title).socketPath, kWireTimeoutMs, fd);
    m_fd = result == dv::ipc::ConnectResult::Connected ? fd.Release() : -1;
}

bool WirePeer::Receive() {
    uint8_t buffer[256];
    const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
    m_received.insert(m_received.end(), buffer, buffer + std::max<ssize_t>(n, 0));
    return n != 0;
}

std::optional<LRESULT> WirePeer::ReadReply(int timeoutMs) {
    std::optional<dv::ipc::Frame> reply;
    dv::testing::PumpMessagesUntil([&] { return !Receive() || (reply = DecodeOne(m_received)); },
                                   timeoutMs);
    m_received.clear();
    return reply ? std::optional<LRESULT>(reply->result) : std::nullopt;
}

std::vector<uint8_t> WirePeer::Message(dv::ipc::FrameKind kind, UINT message, WPARAM wParam,
                                       LPARAM lParam, bool replyWhenIdle) {
    return Encoded(dv::ipc::MessageFrame(kind, message, wParam, lParam), replyWhenIdle);
}

std::vector<uint8_t> WirePeer::Pen(int action, int x, int y, bool replyWhenIdle) {
    return Encoded(dv::ipc::PenFrame(static_cast<dv::ipc::PenCode>(action), x, y), replyWhenIdle);
}

std::vector<uint8_t> WirePeer::Shot(const std::string& path) {
    return Encoded(dv::ipc::ShotFrame(path), false);
}

std::optional<LRESULT> WirePeer::Transact(const wchar_t* title, std::span<const uint8_t> frame,
                                          int timeoutMs) {
    const auto decoded = DecodeOne(frame);
    return decoded ? dv::ipc::Transact(SocketOf(title), *decoded, true, timeoutMs) : std::nullopt;
}

std::vector<BYTE> Utf16(std::u16string_view text, bool terminator) {
    std::vector<BYTE> bytes;
    for (char16_t u : std::u16string(text) + std::u16string(terminator ? 1u : 0u, u'\0')) {
        bytes.insert(bytes.end(), {static_cast<BYTE>(u), static_cast<BYTE>(u >> 8)});
    }
    return bytes;
}

}  // namespace dv::test

// dialvane-ctl: the other programs of the unit, and the test bench.
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Commands.h"
#include "Launcher.h"
#include "MessageNames.h"
#include "devices/LauncherProtocol.h"
#include "platform/Platform.h"
#include "platform/ipc/Frame.h"
#include "platform/ipc/RuntimeFolder.h"

namespace {

constexpr char kUsage[] =
    "usage: dialvane-ctl launcher\n"
    "       dialvane-ctl send TITLE MSG [W [L]]\n"
    "       dialvane-ctl post TITLE MSG [W [L]]\n"
    "       dialvane-ctl close\n"
    "       dialvane-ctl pen down|move|up X Y\n"
    "       dialvane-ctl tap X Y\n"
    "       dialvane-ctl shot FILE.png\n"
    "MSG: UM_CLOSE_SETTINGS, UM_SETTINGS_PAGE, UM_TOUCH_CAL, WM_NULL, WM_CLOSE, WM_TIMER or a\n"
    "     number\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return ctl::kExitUsage;
}

int MessageCommand(const std::vector<std::string>& args, bool send) {
    if (args.size() < 3 || args.size() > 5) {
        return Usage();
    }
    auto message = ctl::ParseMessage(args[2]);
    std::optional<int64_t> wParam = args.size() > 3 ? ctl::ParseNumber(args[3]) : 0;
    std::optional<int64_t> lParam = args.size() > 4 ? ctl::ParseNumber(args[4]) : 0;
    if (!message || !wParam || !lParam) {
        std::fprintf(stderr, "dialvane-ctl: MSG, W and L must be names or numbers\n");
        return Usage();
    }
    auto w = static_cast<uint64_t>(*wParam);
    return send ? ctl::SendCommand(args[1], *message, w, *lParam)
                : ctl::PostCommand(args[1], *message, w, *lParam);
}

struct Point {
    int x = 0;
    int y = 0;
};

// X and Y of a pen command; nothing when they are refused, after the usage
// or, for numbers the touch screen cannot give, the reason.
std::optional<Point> ReadPoint(const std::string& xText, const std::string& yText) {
    auto x = ctl::ParseNumber(xText);
    auto y = ctl::ParseNumber(yText);
    if (!x || !y) {
        Usage();
        return std::nullopt;
    }
    for (auto [axis, value] : {std::pair{"X", *x}, std::pair{"Y", *y}}) {
        if (!dv::ipc::PenCoordinateFits(value)) {
            std::fprintf(stderr,
                         "dialvane-ctl: %s %lld is outside the pen's range -32768..32767 (the "
                         "touch screen's 16-bit coordinates); the panel refuses it\n",
                         axis, static_cast<long long>(value));
            return std::nullopt;
        }
    }
    return Point{static_cast<int>(*x), static_cast<int>(*y)};
}

int PenCommand(const std::vector<std::string>& args) {
    if (args.size() != 4) {
        return Usage();
    }
    dv::ipc::PenCode action;
    if (args[1] == "down") {
        action = dv::ipc::PenCode::Down;
    } else if (args[1] == "move") {
        action = dv::ipc::PenCode::Move;
    } else if (args[1] == "up") {
        action = dv::ipc::PenCode::Up;
    } else {
        return Usage();
    }
    auto point = ReadPoint(args[2], args[3]);
    return point ? ctl::PenCommand(action, point->x, point->y) : ctl::kExitUsage;
}

int TapCommand(const std::vector<std::string>& args) {
    if (args.size() != 3) {
        return Usage();
    }
    auto point = ReadPoint(args[1], args[2]);
    return point ? ctl::TapCommand(point->x, point->y) : ctl::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return Usage();
    }
    std::string problem = dv::ipc::PrepareRuntimeDir();
    if (!problem.empty()) {
        std::fprintf(stderr, "dialvane-ctl: %s\n", problem.c_str());
        return ctl::kExitUsage;
    }
    const std::string& command = args[0];
    if (command == "launcher" && args.size() == 1) {
        return ctl::RunLauncher();
    }
    if (command == "send") {
        return MessageCommand(args, true);
    }
    if (command == "post") {
        return MessageCommand(args, false);
    }
    if (command == "close" && args.size() == 1) {
        return ctl::PostCommand(dv::WideToUtf8(kSettingsTitle), UM_CLOSE_SETTINGS, 0, 0);
    }
    if (command == "pen") {
        return PenCommand(args);
    }
    if (command == "tap") {
        return TapCommand(args);
    }
    if (command == "shot" && args.size() == 2) {
        return ctl::ShotCommand(args[1]);
    }
    return Usage();
}

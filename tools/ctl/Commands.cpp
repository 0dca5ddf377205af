#include "Commands.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>

#include "devices/LauncherProtocol.h"
#include "platform/Platform.h"
#include "platform/ipc/IpcClient.h"
#include "platform/ipc/WindowSockets.h"

namespace ctl {
namespace {

// Long enough for anything a command can set off in the panel (click sounds,
// launcher round trips); a panel that hangs still does not hang the script.
constexpr int kPanelTimeoutMs = 30000;

std::string PanelTitle() {
    return dv::WideToUtf8(kSettingsTitle);
}

std::optional<dv::ipc::RemoteWindow> FindOrSay(const std::string& title) {
    auto window = dv::ipc::FindRemoteWindow(dv::Utf8ToWide(title));
    if (!window) {
        std::fprintf(stderr, "dialvane-ctl: no window titled \"%s\" is running\n", title.c_str());
    }
    return window;
}

// Sends a request that is answered once the window's loop is idle again.
std::optional<LRESULT> Request(const std::string& title, dv::ipc::Frame frame) {
    auto window = FindOrSay(title);
    if (!window) {
        return std::nullopt;
    }
    frame.flags |= dv::ipc::kFlagReplyWhenIdle;
    auto result = dv::ipc::Transact(*window, frame, true, kPanelTimeoutMs);
    if (!result) {
        std::fprintf(stderr, "dialvane-ctl: the window \"%s\" did not answer\n", title.c_str());
    }
    return result;
}

}  // namespace

int SendCommand(const std::string& title, uint32_t message, uint64_t wParam, int64_t lParam) {
    auto result =
        Request(title, dv::ipc::MessageFrame(dv::ipc::FrameKind::Send, message, wParam, lParam));
    if (!result) {
        return kExitFailed;
    }
    std::printf("%" PRIdPTR "\n", *result);
    return kExitOk;
}

int PostCommand(const std::string& title, uint32_t message, uint64_t wParam, int64_t lParam) {
    auto result =
        Request(title, dv::ipc::MessageFrame(dv::ipc::FrameKind::Post, message, wParam, lParam));
    return result ? kExitOk : kExitFailed;
}

int PenCommand(dv::ipc::PenCode action, int x, int y) {
    return Request(PanelTitle(), dv::ipc::PenFrame(action, x, y)) ? kExitOk : kExitFailed;
}

int TapCommand(int x, int y) {
    int status = PenCommand(dv::ipc::PenCode::Down, x, y);
    if (status != kExitOk) {
        return status;
    }
    return PenCommand(dv::ipc::PenCode::Up, x, y);
}

int ShotCommand(const std::string& file) {
    // The panel runs elsewhere: it gets a path that does not depend on its
    // working folder.
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(file, error);
    if (error || path.string().size() > dv::ipc::kMaxPathBytes) {
        std::fprintf(stderr, "dialvane-ctl: unusable file name \"%s\"\n", file.c_str());
        return kExitUsage;
    }
    auto result = Request(PanelTitle(), dv::ipc::ShotFrame(path.string()));
    if (!result) {
        return kExitFailed;
    }
    if (*result == 0) {
        std::fprintf(stderr, "dialvane-ctl: the panel could not write \"%s\"\n",
                     path.string().c_str());
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace ctl

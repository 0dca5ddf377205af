#include "platform/window/RemoteRequests.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/WinUser.h"
#include "platform/core/DebugLog.h"
#include "platform/gdi/Screen.h"
#include "platform/window/PenInput.h"

namespace dv::window {
namespace {

// Messages that only the window system sends a window, as it is made and
// destroyed. Taken from another process they would run the dialog's set-up
// or tear-down again (each WM_INITDIALOG builds every surface and font anew,
// leaking the last ones), so they are dropped; a waiting sender gets 0.
constexpr UINT kSystemOnlyMessages[] = {WM_CREATE, WM_DESTROY, WM_NCCREATE, WM_NCDESTROY,
                                        WM_INITDIALOG};

void Log(const std::string& text) {
    dv::WriteDebugText("dialvane ipc: " + text + "\r\n");
}

std::shared_ptr<ReplySlot> ReplyTo(const ipc::RequestReply& reply) {
    return std::make_shared<ReplySlot>(reply);
}

PenAction ToPenAction(ipc::PenCode code) {
    switch (code) {
        case ipc::PenCode::Down:
            return PenAction::Down;
        case ipc::PenCode::Move:
            return PenAction::Move;
        case ipc::PenCode::Up:
            break;
    }
    return PenAction::Up;
}

bool IsSystemOnly(UINT message) {
    return std::find(std::begin(kSystemOnlyMessages), std::end(kSystemOnlyMessages), message) !=
           std::end(kSystemOnlyMessages);
}

void LogSystemOnly(pid_t sender, UINT message) {
    char number[16];
    std::snprintf(number, sizeof(number), "0x%x", message);
    Log("dropped message " + std::string(number) + " from pid " + std::to_string(sender) +
        ": only the window system sends it");
}

void MessageItem(QueueItem& item, HWND hwnd, const ipc::Frame& frame, pid_t sender,
                 const ipc::RequestReply& reply) {
    const bool whenIdle = item.replyWhenIdle;
    if (IsSystemOnly(frame.message)) {
        LogSystemOnly(sender, frame.message);
        item.task = [] { return LRESULT{0}; };  // in order with the rest
        if (frame.kind == ipc::FrameKind::Send || whenIdle) {
            item.reply = ReplyTo(reply);
        }
        return;
    }
    item.msg.hwnd = hwnd;
    item.msg.message = frame.message;
    item.msg.wParam = static_cast<WPARAM>(frame.wParam);
    item.msg.lParam = static_cast<LPARAM>(frame.lParam);
    item.sent = frame.kind == ipc::FrameKind::Send;
    if (item.sent || whenIdle) {
        item.reply = ReplyTo(reply);
    }
}

void PenItem(QueueItem& item, const ipc::Frame& frame, const ipc::RequestReply& reply) {
    PenAction action = ToPenAction(frame.pen);
    int x = frame.x;
    int y = frame.y;
    item.task = [action, x, y] {
        dv::DeliverPenInput(action, x, y);
        return LRESULT{0};
    };
    item.screenInput = true;
    if (item.replyWhenIdle) {
        item.reply = ReplyTo(reply);
    }
}

void ShotItem(QueueItem& item, const ipc::Frame& frame, const ipc::RequestReply& reply) {
    std::string path = frame.path;
    item.task = [path] {
        return static_cast<LRESULT>(dv::gdi::SaveScreenPng(path.c_str()) ? 1 : 0);
    };
    item.screenInput = true;
    item.reply = ReplyTo(reply);
}

void RaiseItem(QueueItem& item, HWND hwnd, const ipc::RequestReply& reply) {
    item.task = [hwnd] { return static_cast<LRESULT>(SetForegroundWindow(hwnd)); };
    if (item.replyWhenIdle) {
        item.reply = ReplyTo(reply);
    }
}

}  // namespace

ipc::RequestHandler RemoteRequestsFor(HWND hwnd, std::weak_ptr<ThreadQueue> queue) {
    return [hwnd, queue = std::move(queue)](const ipc::Frame& frame, pid_t sender,
                                            const ipc::RequestReply& reply) {
        QueueItem item;
        item.replyWhenIdle = (frame.flags & ipc::kFlagReplyWhenIdle) != 0;
        switch (frame.kind) {
            case ipc::FrameKind::Send:
            case ipc::FrameKind::Post:
                MessageItem(item, hwnd, frame, sender, reply);
                break;
            case ipc::FrameKind::Pen:
                PenItem(item, frame, reply);
                break;
            case ipc::FrameKind::Shot:
                ShotItem(item, frame, reply);
                break;
            case ipc::FrameKind::Raise:
                RaiseItem(item, hwnd, reply);
                break;
            case ipc::FrameKind::Reply:
                return;  // the transport answers those itself
        }
        auto owner = queue.lock();
        if (owner == nullptr) {
            // The window's thread has ended; a waiting sender gets 0.
            return;
        }
        owner->Push(std::move(item));
    };
}

}  // namespace dv::window

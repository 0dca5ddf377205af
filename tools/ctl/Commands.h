// The commands of dialvane-ctl that talk to a running window. Each returns
// the process's exit status.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ipc/Frame.h"

namespace ctl {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int SendCommand(const std::string& title, uint32_t message, uint64_t wParam, int64_t lParam);
int PostCommand(const std::string& title, uint32_t message, uint64_t wParam, int64_t lParam);
int PenCommand(dv::ipc::PenCode action, int x, int y);
int TapCommand(int x, int y);
int ShotCommand(const std::string& file);

}  // namespace ctl

// What the Linux bindings of IIC1:, FMT1: and FLS1: share: how a kernel error
// is told to the debug log, and which error a failed open answers the panel
// with, as the unit's driver would have failed its CreateFileW.
#pragma once

#include <string_view>

#include "platform/WinBase.h"

namespace dv {

// ERROR_DEV_NOT_EXIST for a node that is not there or a device that is gone,
// ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION for a device in use, else
// ERROR_GEN_FAILURE.
DWORD OpenErrorOf(int error);

// One debug line, "DEVICE: WHAT (CALL: strerror(error))".
void LogKernelFailure(std::string_view device, std::string_view what, std::string_view call,
                      int error);

}  // namespace dv

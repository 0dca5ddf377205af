// Kernel handles open in this process, to check every path closes what it opened.
#pragma once

#include "platform/core/KernelObject.h"

namespace dv::testing {

inline std::size_t OpenKernelHandles() {
    return OpenHandleCount();
}

}  // namespace dv::testing

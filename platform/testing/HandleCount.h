// The kernel handles (files, drivers, events, mutexes) open in this process,
// for tests that check every path closes what it opened.
#pragma once

#include "platform/core/KernelObject.h"

namespace dv::testing {

inline std::size_t OpenKernelHandles() {
    return OpenHandleCount();
}

}  // namespace dv::testing

#include "platform/testing/HandleCount.h"

#include "platform/core/KernelObject.h"

namespace dv::testing {

std::size_t OpenKernelHandles() {
    return OpenHandleCount();
}

}  // namespace dv::testing

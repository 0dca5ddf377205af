// The kernel handles (files, drivers, events, mutexes) open in this process,
// for tests that check every path closes what it opened.
#pragma once

#include <cstddef>

namespace dv::testing {

std::size_t OpenKernelHandles();

}  // namespace dv::testing

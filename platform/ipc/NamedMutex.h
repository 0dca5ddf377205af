// What the process learnt of named mutexes, for its exit status.
#pragma once

#include <string>

namespace dv::ipc {

// The name of the last named mutex this process found held by another
// copy; empty when none was.
std::wstring ExistingNamedMutexFound();

}  // namespace dv::ipc

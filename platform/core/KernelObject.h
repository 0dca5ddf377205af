// Kernel objects behind HANDLE values: files, drivers, mutexes, events.
#pragma once

#include <memory>

#include "platform/WinDef.h"

namespace dv {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Called when CloseHandle takes the object's handle away; an error code
    // when what closing finishes (a file's new contents) did not happen.
    virtual DWORD OnHandleClosed() { return 0; }
};

// Inserts an object and returns its new handle (never null, never
// INVALID_HANDLE_VALUE).
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);
// The object behind a handle, or null for a handle that is not open.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <typename T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}
// Removes the handle; the object goes when its last user lets go.
std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle);
std::size_t OpenHandleCount();

}  // namespace dv

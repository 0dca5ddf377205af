#include "platform/core/KernelObject.h"

#include <mutex>
#include <unordered_map>

#include "platform/WinBase.h"

namespace dv {
namespace {

// Handles count up from a base that keeps them clear of null, of
// INVALID_HANDLE_VALUE and of small integers that callers pass as device ids.
constexpr uintptr_t kFirstHandle = 0x10000;
constexpr uintptr_t kHandleStride = 4;

struct HandleTable {
    std::mutex lock;
    std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    uintptr_t next = kFirstHandle;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable;  // lives to the process end
    return *table;
}

}  // namespace

HANDLE InsertHandle(std::shared_ptr<KernelObject> object) {
    HandleTable& t = Table();
    std::lock_guard guard(t.lock);
    uintptr_t value = t.next;
    t.next += kHandleStride;
    t.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    HandleTable& t = Table();
    std::lock_guard guard(t.lock);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == t.objects.end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle) {
    HandleTable& t = Table();
    std::lock_guard guard(t.lock);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == t.objects.end()) {
        return nullptr;
    }
    auto object = std::move(it->second);
    t.objects.erase(it);
    return object;
}

std::size_t OpenHandleCount() {
    HandleTable& t = Table();
    std::lock_guard guard(t.lock);
    return t.objects.size();
}

}  // namespace dv

BOOL CloseHandle(HANDLE hObject) {
    const std::shared_ptr<dv::KernelObject> object = dv::RemoveHandle(hObject);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (const DWORD error = object->OnHandleClosed(); error != 0) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

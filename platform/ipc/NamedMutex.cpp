// Mutexes. A named one is shared by every process of the runtime folder and
// lives as long as some process holds a handle to it:
//  - the folder's guard lock serialises creators, so that of any number of
//    copies started at once exactly one finds no other;
//  - every holder keeps a shared lock on the mutex's file; the kernel drops
//    it with the holder's descriptor, at CloseHandle or at process end;
//  - "already exists" means an exclusive lock on that file cannot be had.
#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <mutex>
#include <thread>

#include "platform/Platform.h"
#include "platform/WinBase.h"
#include "platform/core/DebugLog.h"
#include "platform/core/KernelObject.h"
#include "platform/core/UniqueFd.h"
#include "platform/ipc/RuntimeFolder.h"

namespace dv::ipc {
namespace {

constexpr DWORD ERROR_NOT_OWNER = 288;

int LockFile(int fd, int operation) {
    int result = 0;
    while ((result = ::flock(fd, operation)) != 0 && errno == EINTR) {
    }
    return result;
}

class MutexObject : public KernelObject {
public:
    explicit MutexObject(UniqueFd file) : m_file(std::move(file)) {}

    void TakeOwnership() {
        std::lock_guard guard(m_lock);
        m_owner = std::this_thread::get_id();
        ++m_count;
    }

    bool Release() {
        std::lock_guard guard(m_lock);
        if (m_count == 0 || m_owner != std::this_thread::get_id()) {
            return false;
        }
        if (--m_count == 0) {
            m_owner = std::thread::id();
        }
        return true;
    }

private:
    // Holds the shared lock of a named mutex; invalid for an unnamed one.
    UniqueFd m_file;
    std::mutex m_lock;
    std::thread::id m_owner;
    unsigned m_count = 0;
};

// Opens the named mutex's file with a shared lock. alreadyExists: another
// handle (of any process) had it open.
UniqueFd OpenNamed(std::wstring_view name, bool& alreadyExists) {
    UniqueFd guard(::open(GuardPath("mutex").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!guard.Valid() || LockFile(guard.Get(), LOCK_EX) != 0) {
        return UniqueFd();
    }
    UniqueFd file(::open(MutexPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!file.Valid()) {
        return UniqueFd();
    }
    // Under the guard nobody else holds the exclusive lock, so the shared
    // lock below never waits.
    alreadyExists = LockFile(file.Get(), LOCK_EX | LOCK_NB) != 0;
    if (LockFile(file.Get(), LOCK_SH) != 0) {
        return UniqueFd();
    }
    return file;
}

}  // namespace
}  // namespace dv::ipc

HANDLE CreateMutexW(void* /*lpMutexAttributes*/, BOOL bInitialOwner, LPCWSTR lpName) {
    dv::UniqueFd file;
    bool alreadyExists = false;
    if (lpName != nullptr && *lpName != L'\0') {
        if (!dv::ipc::RuntimeDirUsable()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        file = dv::ipc::OpenNamed(lpName, alreadyExists);
        if (!file.Valid()) {
            dv::WriteDebugText("dialvane: cannot open the named mutex \"" + dv::WideToUtf8(lpName) +
                               "\"\r\n");
            SetLastError(ERROR_GEN_FAILURE);
            return nullptr;
        }
    }
    auto mutex = std::make_shared<dv::ipc::MutexObject>(std::move(file));
    // As on the unit, a mutex that already existed is opened without
    // taking ownership.
    if (bInitialOwner && !alreadyExists) {
        mutex->TakeOwnership();
    }
    HANDLE handle = dv::InsertHandle(mutex);
    SetLastError(alreadyExists ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReleaseMutex(HANDLE hMutex) {
    auto mutex = dv::LookupHandleAs<dv::ipc::MutexObject>(hMutex);
    if (mutex == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!mutex->Release()) {
        SetLastError(dv::ipc::ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}

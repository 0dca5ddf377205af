// Mutexes. A named one is shared by every process of the runtime folder and
// lives as long as some process holds a handle to it:
//  - the folder's guard lock serialises creators, so that of any number of
//    copies started at once exactly one finds no other;
//  - every holder keeps a shared lock on the mutex's file; the kernel drops
//    it with the holder's descriptor, at CloseHandle or at process end;
//  - "already exists" means an exclusive lock on that file cannot be had.
// A holder that is ending (its termination was requested) still holds the
// name until it is gone, but drops a second shared lock, on the mutex's
// "live" file, at once. A creator that finds only ending holders waits for
// them to go, so a copy started right after the last one was told to end
// runs instead of finding a copy that is about to vanish. A holder that has
// been sent SIGTERM or SIGINT and not yet taken it counts as ending: the
// kernel records the signal at once, its taker may run a while later.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "platform/WinBase.h"
#include "platform/core/DebugLog.h"
#include "platform/core/KernelObject.h"
#include "platform/core/Termination.h"
#include "platform/core/UniqueFd.h"
#include "platform/ipc/NamedMutex.h"
#include "platform/ipc/RuntimeFolder.h"

namespace dv::ipc {
namespace {

constexpr DWORD ERROR_NOT_OWNER = 288;
// Ending holders close within a second; a holder still there after this is
// reported as a running one.
constexpr auto kEndingHolderWait = std::chrono::milliseconds(3000);
constexpr auto kEndingHolderPoll = std::chrono::milliseconds(5);

std::mutex g_foundLock;
std::wstring g_foundName;

int LockFile(int fd, int operation) {
    int result = 0;
    while ((result = ::flock(fd, operation)) != 0 && errno == EINTR) {
    }
    return result;
}

// The two files of a named mutex, each with this handle's shared lock.
struct NamedLocks {
    UniqueFd name;
    UniqueFd live;
};

class MutexObject : public KernelObject {
public:
    explicit MutexObject(NamedLocks locks) : m_locks(std::move(locks)) {}

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
    // Invalid for an unnamed mutex.
    NamedLocks m_locks;
    std::mutex m_lock;
    std::thread::id m_owner;
    unsigned m_count = 0;
    // Declared last: gone before the descriptor it closes.
    TerminationHook m_onTermination{[this] { m_locks.live.Reset(); }};
};

UniqueFd OpenLockFile(const std::filesystem::path& path) {
    return UniqueFd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
}

// Whether nobody holds the file's shared lock; it is left unlocked.
bool Unheld(int fd) {
    if (LockFile(fd, LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    LockFile(fd, LOCK_UN);
    return true;
}

// The processes holding a lock on the open file (from /proc/locks; a
// waiter's line is marked "->" and left out).
std::vector<pid_t> LockHolders(int fd) {
    struct stat info {};
    std::vector<pid_t> holders;
    if (::fstat(fd, &info) != 0) {
        return holders;
    }
    const std::string inode = ":" + std::to_string(info.st_ino);
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string index, kind, mode, access, file;
        long pid = 0;
        if (fields >> index >> kind >> mode >> access >> pid >> file && kind == "FLOCK" &&
            file.ends_with(inode)) {
            holders.push_back(static_cast<pid_t>(pid));
        }
    }
    return holders;
}

// Whether SIGTERM or SIGINT waits to be taken by the process.
bool TerminationPending(pid_t pid) {
    constexpr unsigned long long kTerminationBits =
        (1ull << (SIGTERM - 1)) | (1ull << (SIGINT - 1));
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("ShdPnd:") || line.starts_with("SigPnd:")) {
            // strtoull: a line that is no number reads as 0, never throws.
            const char* mask = line.c_str() + line.find(':') + 1;
            if ((std::strtoull(mask, nullptr, 16) & kTerminationBits) != 0) {
                return true;
            }
        }
    }
    return false;
}

// Whether every holder of the "live" file has been told to end.
bool OnlyEndingHolders(int liveFd) {
    if (Unheld(liveFd)) {
        return true;
    }
    const std::vector<pid_t> holders = LockHolders(liveFd);
    return !holders.empty() && std::ranges::all_of(holders, [](pid_t pid) {
        return pid != ::getpid() && TerminationPending(pid);
    });
}

// Opens the named mutex's files with shared locks. alreadyExists: another
// handle (of any process) had it open, and at least one of them is not
// ending, or the ending ones did not go in time.
NamedLocks OpenNamed(std::wstring_view name, bool& alreadyExists) {
    const auto deadline = std::chrono::steady_clock::now() + kEndingHolderWait;
    for (;;) {
        UniqueFd guard = OpenLockFile(GuardPath("mutex"));
        if (!guard.Valid() || LockFile(guard.Get(), LOCK_EX) != 0) {
            return {};
        }
        NamedLocks locks{OpenLockFile(MutexPath(name)), OpenLockFile(MutexLivePath(name))};
        if (!locks.name.Valid() || !locks.live.Valid()) {
            return {};
        }
        // Under the guard nobody else holds an exclusive lock, so the shared
        // locks below never wait.
        alreadyExists = !Unheld(locks.name.Get());
        const bool onlyEnding = alreadyExists && OnlyEndingHolders(locks.live.Get());
        if (!onlyEnding || std::chrono::steady_clock::now() >= deadline) {
            if (LockFile(locks.name.Get(), LOCK_SH) != 0 ||
                LockFile(locks.live.Get(), LOCK_SH) != 0) {
                return {};
            }
            return locks;
        }
        guard.Reset();
        std::this_thread::sleep_for(kEndingHolderPoll);
    }
}

}  // namespace
}  // namespace dv::ipc

std::wstring dv::ipc::ExistingNamedMutexFound() {
    std::lock_guard guard(g_foundLock);
    return g_foundName;
}

HANDLE CreateMutexW(void* /*lpMutexAttributes*/, BOOL bInitialOwner, LPCWSTR lpName) {
    dv::ipc::NamedLocks locks;
    bool alreadyExists = false;
    if (lpName != nullptr && *lpName != L'\0') {
        if (!dv::ipc::RuntimeDirUsable()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return nullptr;
        }
        locks = dv::ipc::OpenNamed(lpName, alreadyExists);
        if (!locks.name.Valid()) {
            dv::WriteDebugText("dialvane: cannot open the named mutex \"" + dv::WideToUtf8(lpName) +
                               "\"\r\n");
            SetLastError(ERROR_GEN_FAILURE);
            return nullptr;
        }
        if (alreadyExists) {
            std::lock_guard guard(dv::ipc::g_foundLock);
            dv::ipc::g_foundName = lpName;
        }
    }
    auto mutex = std::make_shared<dv::ipc::MutexObject>(std::move(locks));
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

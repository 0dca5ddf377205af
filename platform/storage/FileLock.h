// The lock that makes an open of a device-root file exclusive or shared,
// across threads and processes. Each lock is a flock() on its own open of a
// lock file, so two opens in one thread conflict just as two opens in two
// processes do, and a process that dies lets go of its locks.
//
// The lock files live in the runtime folder (RUNTIME/locks/), which every
// program of the unit shares and can write, so that reading a file of a
// root that cannot be written (a read-only flash) needs no write access to
// it.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/WinDef.h"
#include "platform/core/UniqueFd.h"

namespace dv {

class FileLock {
public:
    enum class Mode { Shared, Exclusive };

    // Takes the lock without waiting. On failure error is
    // ERROR_SHARING_VIOLATION when another open holds it.
    static std::optional<FileLock> Acquire(const std::filesystem::path& lockFile, Mode mode,
                                           DWORD& error);
    // The lock file guarding a file of the device root; suffix tells apart
    // several locks of one file. It and its folder are made when missing.
    static std::filesystem::path LockFileFor(const std::filesystem::path& hostPath,
                                             std::string_view suffix = {});
    // Acquire(LockFileFor(hostPath, suffix), ...) in one open of the lock file.
    static std::optional<FileLock> AcquireFor(const std::filesystem::path& hostPath,
                                              std::string_view suffix, Mode mode, DWORD& error);

private:
    explicit FileLock(UniqueFd fd) : m_fd(std::move(fd)) {}
    // Locks an open of a lock file (none: the open's errno says why).
    static std::optional<FileLock> Take(UniqueFd fd, Mode mode, DWORD& error);
    UniqueFd m_fd;
};

}  // namespace dv

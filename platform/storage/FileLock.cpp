#include "platform/storage/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#include "platform/Platform.h"
#include "platform/WinBase.h"
#include "platform/core/RecentValues.h"

namespace dv {
namespace {

constexpr const char* kLockFolder = "locks";
constexpr const char* kLockSuffix = ".lock";
constexpr mode_t kFolderMode = 0700;
constexpr mode_t kLockFileMode = 0600;
// File names stay well inside NAME_MAX; longer paths are named by a hash and
// their end.
constexpr std::size_t kLongestName = 200;
constexpr std::size_t kKeptEnd = 120;
// Lock files kept named: more than the files the panel opens, with their
// second locks.
constexpr std::size_t kKeptLockPaths = 16;

// One flat folder of lock files: the file's path becomes one file name, with
// '/' and '%' escaped so that distinct paths never share a lock.
std::string EncodePath(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '/') {
            out += "%2F";
        } else if (c == '%') {
            out += "%25";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string HashName(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

// The real path of an absolute root that exists, looked up once per
// spelling: every open of a device-root file names its lock by it.
struct RealRoots {
    std::mutex lock;
    std::filesystem::path spelled;
    std::filesystem::path real;
};

std::filesystem::path RealRoot(const std::filesystem::path& root) {
    static auto* roots = new RealRoots;  // lives to the process end
    std::error_code error;
    if (root.is_absolute()) {
        std::lock_guard guard(roots->lock);
        if (root == roots->spelled) {
            return roots->real;
        }
        std::filesystem::path real = std::filesystem::canonical(root, error);
        if (!error) {
            roots->spelled = root;
            roots->real = real;
            return real;
        }
    }
    std::filesystem::path real = std::filesystem::weakly_canonical(root, error);
    return error ? std::filesystem::absolute(root, error) : real;
}

// Every process names a file alike however its root was spelled (relative,
// through a link): the root's real path, then the path inside it.
std::string Key(const std::filesystem::path& hostPath) {
    std::error_code error;
    const std::filesystem::path root = DeviceRoot();
    const std::filesystem::path relative = hostPath.lexically_relative(root);
    if (relative.empty() || relative.native().starts_with("..")) {
        return std::filesystem::absolute(hostPath, error).lexically_normal().string();
    }
    return (RealRoot(root) / relative).lexically_normal().string();
}

void MakeFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.parent_path().c_str(), kFolderMode) != 0 && errno != EEXIST) {
        return;
    }
    ::mkdir(folder.c_str(), kFolderMode);
}

std::filesystem::path LockPath(const std::filesystem::path& hostPath, std::string_view suffix) {
    std::string name = EncodePath(Key(hostPath)) + std::string(suffix);
    if (name.size() > kLongestName) {
        name = HashName(name) + "-" + name.substr(name.size() - kKeptEnd);
    }
    return RuntimeDir() / kLockFolder / (name + kLockSuffix);
}

// The lock files of the files opened last, kept by each thread (no lock is
// held across a fork): naming one resolves the root and escapes the path, a
// dozen allocations. The names hold while the root and the runtime folder
// stay as they were; a relative path depends on the working folder and is
// named afresh.
std::filesystem::path RecentLockPath(const std::filesystem::path& hostPath,
                                     std::string_view suffix) {
    thread_local RecentValues<std::pair<std::string, std::string>, std::filesystem::path,
                              kKeptLockPaths>
        recent;
    const std::filesystem::path root = DeviceRoot();
    const std::filesystem::path runtime = RuntimeDir();
    if (!hostPath.is_absolute() || !root.is_absolute() || !runtime.is_absolute()) {
        return LockPath(hostPath, suffix);
    }
    return recent.Get(root.native() + '\0' + runtime.native(),
                      {hostPath.native(), std::string(suffix)},
                      [&] { return LockPath(hostPath, suffix); });
}

// Opens (making) a lock file; its folder is made only when the open finds it
// missing, so that an open of a file costs no look at folders that exist.
UniqueFd OpenLockFile(const std::filesystem::path& file, int access) {
    UniqueFd fd(::open(file.c_str(), access | O_CREAT | O_CLOEXEC, kLockFileMode));
    if (!fd.Valid() && errno == ENOENT) {
        MakeFolder(file.parent_path());
        fd = UniqueFd(::open(file.c_str(), access | O_CREAT | O_CLOEXEC, kLockFileMode));
    }
    return fd;
}

}  // namespace

std::filesystem::path FileLock::LockFileFor(const std::filesystem::path& hostPath,
                                            std::string_view suffix) {
    std::filesystem::path file = RecentLockPath(hostPath, suffix);
    // Made here, private like everything in the runtime folder, so that a
    // caller that opens it itself (the registry's change lock) finds it so.
    OpenLockFile(file, O_RDONLY);
    return file;
}

std::optional<FileLock> FileLock::Acquire(const std::filesystem::path& lockFile, Mode mode,
                                          DWORD& error) {
    return Take(UniqueFd(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kLockFileMode)),
                mode, error);
}

std::optional<FileLock> FileLock::AcquireFor(const std::filesystem::path& hostPath,
                                             std::string_view suffix, Mode mode, DWORD& error) {
    return Take(OpenLockFile(RecentLockPath(hostPath, suffix), O_RDWR), mode, error);
}

std::optional<FileLock> FileLock::Take(UniqueFd fd, Mode mode, DWORD& error) {
    if (!fd.Valid()) {
        error = errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
        return std::nullopt;
    }
    int operation = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (::flock(fd.Get(), operation) != 0) {
        if (errno == EINTR) {
            continue;
        }
        error = errno == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : ERROR_ACCESS_DENIED;
        return std::nullopt;
    }
    return FileLock(std::move(fd));
}

}  // namespace dv

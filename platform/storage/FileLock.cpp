#include "platform/storage/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "platform/Platform.h"
#include "platform/WinBase.h"

namespace dv {
namespace {

constexpr const char* kLockFolder = ".locks";
constexpr const char* kLockSuffix = ".lock";

// One flat folder of lock files: the unit path becomes one file name, with
// '/' and '%' escaped so that distinct paths never share a lock.
std::string EncodeRelative(const std::string& relative) {
    std::string out;
    for (char c : relative) {
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

}  // namespace

std::filesystem::path FileLock::LockFileFor(const std::filesystem::path& hostPath,
                                            std::string_view suffix) {
    std::filesystem::path root = DeviceRoot();
    std::filesystem::path relative = hostPath.lexically_relative(root);
    std::string key = relative.empty() || relative.native().starts_with("..")
                          ? hostPath.lexically_normal().string()
                          : relative.string();
    return root / kLockFolder / (EncodeRelative(key) + std::string(suffix) + kLockSuffix);
}

std::optional<FileLock> FileLock::Acquire(const std::filesystem::path& lockFile, Mode mode,
                                          DWORD& error) {
    // The folder of lock files is the platform's own; it is made on demand
    // inside a root that already exists, never the root itself.
    if (::mkdir(lockFile.parent_path().c_str(), 0755) != 0 && errno != EEXIST) {
        error = ERROR_PATH_NOT_FOUND;
        return std::nullopt;
    }
    UniqueFd fd(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.Valid()) {
        error = ERROR_ACCESS_DENIED;
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

#include "platform/storage/StorageFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/core/DebugLog.h"

namespace dv {
namespace {

constexpr mode_t kNewFileMode = 0644;
constexpr DWORD kErrorFileExists = 80;
constexpr std::string_view kReplaceLockSuffix = ".replace";

bool IsReplacing(FileDisposition d) {
    return d == FileDisposition::Replace || d == FileDisposition::ReplaceExisting;
}

DWORD OpenErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case EEXIST:
            return kErrorFileExists;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return ERROR_ACCESS_DENIED;
    }
}

int AccessFlags(const FileOpenMode& mode) {
    if (mode.read && mode.write) {
        return O_RDWR;
    }
    return mode.write ? O_WRONLY : O_RDONLY;
}

// Folders are never made by an open: a missing one fails it.
DWORD CheckPlace(const std::filesystem::path& hostPath) {
    struct stat info {};
    if (::stat(hostPath.parent_path().c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return ERROR_PATH_NOT_FOUND;
    }
    if (::stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

bool Exists(const std::filesystem::path& hostPath) {
    struct stat info {};
    return ::stat(hostPath.c_str(), &info) == 0;
}

// Shared opens coexist; a shared open that replaces the file also takes a
// second, exclusive lock, so that two replacements never share the
// temporary file.
std::optional<std::vector<FileLock>> TakeLocks(const std::filesystem::path& hostPath,
                                               const FileOpenMode& mode, DWORD& error) {
    std::vector<FileLock> locks;
    auto main = FileLock::AcquireFor(
        hostPath, {}, mode.shared ? FileLock::Mode::Shared : FileLock::Mode::Exclusive, error);
    if (!main) {
        return std::nullopt;
    }
    locks.push_back(std::move(*main));
    if (mode.shared && IsReplacing(mode.disposition)) {
        auto replace =
            FileLock::AcquireFor(hostPath, kReplaceLockSuffix, FileLock::Mode::Exclusive, error);
        if (!replace) {
            return std::nullopt;
        }
        locks.push_back(std::move(*replace));
    }
    return locks;
}

}  // namespace

StorageFile::StorageFile(FileOpenMode mode, std::vector<FileLock> locks)
    : m_mode(mode), m_locks(std::move(locks)) {}

StorageFile::~StorageFile() {
    Close();
}

std::shared_ptr<StorageFile> StorageFile::Open(const std::filesystem::path& hostPath,
                                               const FileOpenMode& mode, DWORD& error) {
    error = CheckPlace(hostPath);
    if (error != ERROR_SUCCESS) {
        return nullptr;
    }
    auto locks = TakeLocks(hostPath, mode, error);
    if (!locks) {
        return nullptr;
    }
    std::shared_ptr<StorageFile> file(new StorageFile(mode, std::move(*locks)));
    int flags = AccessFlags(mode) | O_CLOEXEC;
    switch (mode.disposition) {
        case FileDisposition::OpenExisting:
            file->m_fd = UniqueFd(::open(hostPath.c_str(), flags));
            break;
        case FileDisposition::OpenAlways:
            file->m_fd = UniqueFd(::open(hostPath.c_str(), flags | O_CREAT, kNewFileMode));
            break;
        case FileDisposition::CreateNew:
            file->m_fd = UniqueFd(::open(hostPath.c_str(), flags | O_CREAT | O_EXCL, kNewFileMode));
            break;
        case FileDisposition::ReplaceExisting:
            if (!Exists(hostPath)) {
                error = ERROR_FILE_NOT_FOUND;
                return nullptr;
            }
            [[fallthrough]];
        case FileDisposition::Replace:
            file->m_replacement = AtomicReplacement::Begin(hostPath, error);
            if (!file->m_replacement) {
                return nullptr;
            }
            return file;
    }
    if (!file->m_fd.Valid()) {
        const int saved = errno;
        if (mode.write && (saved == EACCES || saved == EPERM || saved == EROFS)) {
            // A change that cannot be kept says where and why, once per open.
            WriteDebugText("Storage: cannot open " + hostPath.string() + " for writing (" +
                           std::strerror(saved) + ")\r\n");
        }
        error = OpenErrorFromErrno(saved);
        return nullptr;
    }
    return file;
}

int StorageFile::Fd() const {
    return m_replacement ? m_replacement->Fd() : m_fd.Get();
}

DWORD StorageFile::Read(std::span<BYTE> buffer, DWORD& count) {
    std::lock_guard guard(m_lock);
    count = 0;
    if (m_closed || Fd() < 0) {
        return ERROR_INVALID_HANDLE;
    }
    if (!m_mode.read && m_mode.write) {
        return ERROR_ACCESS_DENIED;
    }
    while (count < buffer.size()) {
        ssize_t n = ::read(Fd(), buffer.data() + count, buffer.size() - count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return ERROR_READ_FAULT;
        }
        if (n == 0) {
            break;
        }
        count += static_cast<DWORD>(n);
    }
    return ERROR_SUCCESS;
}

DWORD StorageFile::Write(std::span<const BYTE> data, DWORD& count) {
    std::lock_guard guard(m_lock);
    count = 0;
    if (m_closed) {
        return ERROR_INVALID_HANDLE;
    }
    if (!m_mode.write) {
        return ERROR_ACCESS_DENIED;
    }
    if (m_replacement) {
        return m_replacement->Write(data, count);
    }
    while (count < data.size()) {
        ssize_t n = ::write(m_fd.Get(), data.data() + count, data.size() - count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return ERROR_WRITE_FAULT;
        }
        count += static_cast<DWORD>(n);
    }
    return ERROR_SUCCESS;
}

DWORD StorageFile::Seek(int64_t distance, DWORD method, uint64_t& position) {
    std::lock_guard guard(m_lock);
    if (m_closed || Fd() < 0) {
        return ERROR_INVALID_HANDLE;
    }
    int whence = SEEK_SET;
    switch (method) {
        case FILE_BEGIN:
            whence = SEEK_SET;
            break;
        case FILE_CURRENT:
            whence = SEEK_CUR;
            break;
        case FILE_END:
            whence = SEEK_END;
            break;
        default:
            return ERROR_INVALID_PARAMETER;
    }
    off_t result = ::lseek(Fd(), static_cast<off_t>(distance), whence);
    if (result < 0) {
        return ERROR_INVALID_PARAMETER;  // before the start of the file
    }
    position = static_cast<uint64_t>(result);
    return ERROR_SUCCESS;
}

DWORD StorageFile::IoControl(DWORD, std::span<const BYTE>, std::span<BYTE>, DWORD& returned) {
    returned = 0;
    return ERROR_NOT_SUPPORTED;
}

bool StorageFile::Close() {
    std::lock_guard guard(m_lock);
    if (m_closed) {
        return true;
    }
    m_closed = true;
    bool ok = true;
    if (m_replacement) {
        ok = m_replacement->Commit();
        m_replacement.reset();
    }
    m_fd.Reset();
    m_locks.clear();  // only now may the next open see the file
    return ok;
}

}  // namespace dv

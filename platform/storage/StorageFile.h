// A file of the device root opened through CreateFileW or the class library.
//
// Opens without sharing are exclusive, across threads and processes; shared
// opens coexist with each other only. An open that creates or truncates
// writes into an AtomicReplacement, so the file is replaced whole when it is
// closed and never seen cut short.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/core/StreamObject.h"
#include "platform/core/UniqueFd.h"
#include "platform/storage/AtomicReplacement.h"
#include "platform/storage/FileLock.h"

namespace dv {

enum class FileDisposition {
    OpenExisting,     // must exist
    OpenAlways,       // opened as it is, made empty when missing
    CreateNew,        // must not exist
    Replace,          // created or cut to nothing
    ReplaceExisting,  // cut to nothing; must exist
};

struct FileOpenMode {
    bool read = false;
    bool write = false;
    bool shared = false;
    FileDisposition disposition = FileDisposition::OpenExisting;
};

class StorageFile final : public StreamObject {
public:
    // error gets ERROR_PATH_NOT_FOUND for a missing folder (folders are never
    // made here), ERROR_FILE_NOT_FOUND, ERROR_SHARING_VIOLATION, ...
    static std::shared_ptr<StorageFile> Open(const std::filesystem::path& hostPath,
                                             const FileOpenMode& mode, DWORD& error);
    ~StorageFile() override;

    DWORD Read(std::span<BYTE> buffer, DWORD& count) override;
    DWORD Write(std::span<const BYTE> data, DWORD& count) override;
    DWORD Seek(int64_t distance, DWORD method, uint64_t& position) override;
    DWORD IoControl(DWORD code, std::span<const BYTE> input, std::span<BYTE> output,
                    DWORD& returned) override;
    // Ends the open and lets go of the lock. For a replacement this is when
    // the new contents take the file's place; false if they did not.
    bool Close();
    // CloseHandle reports a replacement that did not take the file's place.
    DWORD OnHandleClosed() override { return Close() ? 0 : ERROR_WRITE_FAULT; }

    StorageFile(const StorageFile&) = delete;
    StorageFile& operator=(const StorageFile&) = delete;

private:
    StorageFile(FileOpenMode mode, std::vector<FileLock> locks);
    int Fd() const;

    FileOpenMode m_mode;
    std::vector<FileLock> m_locks;
    UniqueFd m_fd;                                     // a file opened in place
    std::unique_ptr<AtomicReplacement> m_replacement;  // or its new contents
    std::mutex m_lock;
    bool m_closed = false;
};

}  // namespace dv
